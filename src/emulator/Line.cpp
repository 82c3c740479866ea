#include "emulator/Line.h"

#include "emulator/StoreFile.h"
#include "emulator/Uart.h"
#include "shared/Wire.h"

#include <algorithm>

namespace velnor {

namespace {

// Serial numbers follow the factory address, with a count for modules that share one, so a
// module keeps its serial number, and with it its stored entry, from one run to the next.
quint32 serialNumberFor(quint8 factoryAddress, int sameAddressBefore)
{
    return 20000000u + quint32(factoryAddress) * 100u + quint32(sameAddressBefore);
}

} // namespace

Line::Line(const QList<quint8>& factoryAddresses, QString storePath, QObject* parent)
    : QObject(parent), m_storePath(std::move(storePath))
{
    for (quint8 address : factoryAddresses)
        m_modules.append(Module(serialNumberFor(address, m_made[address]++), address));
    // The file is read once: a later power-up uses what the modules stored since, even if
    // the file could not be written.
    if (!m_storePath.isEmpty())
        m_store = StoreFile(m_storePath).load(&m_storeProblem);
    powerUp();
}

QByteArray Line::feed(const QByteArray& bytes, qint64 nowMs)
{
    nowMs = qMax(nowMs, m_now);
    QByteArray output = advance(nowMs);
    m_output.clear();
    // The bytes of one call went out back to back; the line was idle before and after them.
    for (Reader& reader : m_readers) {
        const QByteArray heard =
            reader.baud == m_speed ? bytes : receive({{bytes, m_speed, 0}}, reader.baud);
        for (char byte : heard)
            step(reader, quint8(byte), nowMs);
    }
    output += m_output;
    if (!bytes.isEmpty())
        emit changed();
    return output;
}

QByteArray Line::advance(qint64 nowMs)
{
    m_now = qMax(nowMs, m_now);
    m_output.clear();
    for (Reader& reader : m_readers) {
        if (reader.state == State::AfterDeselect &&
            m_now - reader.deselectAt > BroadcastOffWindowMs) {
            reader.state = State::Idle;
            deselect(reader.baud);
            emit changed();
        }
    }
    return m_output;
}

std::optional<qint64> Line::deadline() const
{
    std::optional<qint64> earliest;
    for (const Reader& reader : m_readers) {
        const qint64 due = reader.deselectAt + BroadcastOffWindowMs + 1;
        if (reader.state == State::AfterDeselect && (!earliest || due < *earliest))
            earliest = due;
    }
    return earliest;
}

void Line::powerUp()
{
    m_readers.clear();
    for (Module& module : m_modules) {
        module.powerUp(
            m_store.value(module.serialNumber(), ModuleConfig::factory(module.factoryAddress())));
        listenAt(module.baud());
    }
    emit changed();
}

int Line::plug(quint8 factoryAddress, int baud)
{
    Module module(serialNumberFor(factoryAddress, m_made[factoryAddress]++), factoryAddress);
    // Fresh from the box: nothing a module of an earlier run with this serial number stored.
    ModuleConfig config = ModuleConfig::factory(factoryAddress);
    config.baud = baud;
    m_store.insert(module.serialNumber(), config);
    module.powerUp(config);
    m_modules.append(module);
    listenAt(baud);
    emit modulesChanged();
    emit changed();
    return int(m_modules.size()) - 1;
}

int Line::unplug(quint8 address)
{
    const qsizetype gone = m_modules.removeIf(
        [address](const Module& module) { return address == 0 || module.address() == address; });
    if (gone > 0) {
        emit modulesChanged();
        emit changed();
    }
    return int(gone);
}

void Line::listenAt(int baud)
{
    if (std::none_of(m_readers.cbegin(), m_readers.cend(),
                     [baud](const Reader& reader) { return reader.baud == baud; }))
        m_readers.append(Reader{baud, State::Idle, 0, 0, 0, {}});
}

void Line::setSpeed(int baud)
{
    if (baud <= 0 || baud == m_speed)
        return;
    m_speed = baud;
    emit speedChanged(baud);
    emit changed();
}

void Line::setInputs(int index, quint8 inputs)
{
    m_modules[index].setInputs(inputs);
    emit changed();
}

void Line::step(Reader& reader, quint8 byte, qint64 nowMs)
{
    switch (reader.state) {
    case State::Idle:
        idle(reader, byte, nowMs);
        break;
    case State::AfterSelect:
        // The byte after 0xEF is the address, unless it starts a frame itself: then the
        // select was cut short and is forgotten.
        reader.state = State::Idle;
        if (wire::isFrameStart(byte))
            idle(reader, byte, nowMs);
        else
            select(reader.baud, byte);
        break;
    case State::AfterDeselect:
        reader.state = State::Idle;
        if (byte == wire::Broadcast) {
            broadcastOff(reader.baud);
        } else {
            deselect(reader.baud);
            idle(reader, byte, nowMs);
        }
        break;
    case State::AfterCommand: {
        reader.state = State::Idle;
        if (wire::isFrameStart(byte)) {
            idle(reader, byte, nowMs);
            break;
        }
        const int wanted = wire::argumentCount(byte);
        if (wanted == 0) {
            command(reader.baud, byte, {});
        } else if (wanted > 0) {
            reader.code = byte;
            reader.argumentsWanted = wanted;
            reader.arguments.clear();
            reader.state = State::InArguments;
        }
        // An unknown code is skipped on its own; what follows it is read afresh.
        break;
    }
    case State::InArguments:
        // Arguments are taken whatever their value: bitmaps and texts hold any byte.
        reader.arguments.append(char(byte));
        if (reader.arguments.size() == reader.argumentsWanted) {
            reader.state = State::Idle;
            command(reader.baud, reader.code, reader.arguments);
        }
        break;
    }
}

void Line::idle(Reader& reader, quint8 byte, qint64 nowMs)
{
    switch (byte) {
    case wire::Select:
        reader.state = State::AfterSelect;
        break;
    case wire::Deselect:
        reader.state = State::AfterDeselect;
        reader.deselectAt = nowMs;
        break;
    case wire::Command:
        reader.state = State::AfterCommand;
        break;
    default:
        for (Module& module : m_modules) {
            if (module.baud() == reader.baud && module.selected())
                module.writeText(byte);
        }
        break;
    }
}

void Line::select(int baud, quint8 address)
{
    for (int i = 0; i < m_modules.size(); ++i) {
        Module& module = m_modules[i];
        if (module.baud() != baud)
            continue;
        if (address == wire::Broadcast) {
            module.setBroadcastSelected(true);
            continue;
        }
        module.setBroadcastSelected(false);
        module.setOwnSelected(module.address() == address);
        if (module.ownSelected()) {
            m_answers.append(module.acknowledgement());
            m_answering.append(i);
        }
    }
    sendAnswers();
}

void Line::deselect(int baud)
{
    for (int i = 0; i < m_modules.size(); ++i) {
        Module& module = m_modules[i];
        if (module.baud() == baud && module.ownSelected()) {
            m_answers.append(module.acknowledgement());
            m_answering.append(i);
            module.setOwnSelected(false);
        }
    }
    sendAnswers();
}

void Line::broadcastOff(int baud)
{
    for (Module& module : m_modules) {
        if (module.baud() == baud)
            module.setBroadcastSelected(false);
    }
}

void Line::command(int baud, quint8 code, const QByteArray& arguments)
{
    if (code == wire::code::ReadInputs) {
        for (int i = 0; i < m_modules.size(); ++i) {
            if (m_modules.at(i).baud() == baud && m_modules.at(i).ownSelected()) {
                m_answers.append(m_modules.at(i).inputAnswer());
                m_answering.append(i);
            }
        }
        sendAnswers();
        return;
    }
    bool stored = false;
    for (Module& module : m_modules) {
        if (module.baud() != baud || !module.selected())
            continue;
        if (code == wire::code::Store) {
            module.store();
            m_store.insert(module.serialNumber(), module.stored());
            stored = true;
        } else {
            module.execute(code, arguments);
        }
    }
    if (stored)
        storeConfigurations();
}

void Line::storeConfigurations()
{
    if (m_storePath.isEmpty())
        return;
    // The modules hold what they stored whatever happens to the file: only the next run of
    // the emulator would miss it.
    if (StoreFile(m_storePath).save(m_store, &m_storeProblem)) {
        m_storeProblem.clear();
    } else {
        emit storeFailed(m_storeProblem);
    }
}

void Line::sendAnswers()
{
    // Each module answers at its own speed, a bit later than the one before; the far end
    // reads them at the line's.
    QList<Transmission> sent;
    for (int i = 0; i < m_answers.size(); ++i)
        sent.append({m_answers.at(i), m_modules.at(m_answering.at(i)).baud(), int(i)});
    if (!m_silent && sent.size() == 1) {
        m_output +=
            sent.constFirst().baud == m_speed ? m_answers.constFirst() : receive(sent, m_speed);
    } else if (!m_silent && sent.size() > 1) {
        const QByteArray garbled = receive(sent, m_speed);
        m_output += garbled;
        for (int index : std::as_const(m_answering))
            m_modules[index].noteConflict();
        emit conflict(m_modules.at(m_answering.constFirst()).address(), garbled);
    }
    m_answers.clear();
    m_answering.clear();
}

} // namespace velnor
