#include "emulator/Line.h"

#include "emulator/Collision.h"
#include "emulator/StoreFile.h"
#include "shared/Wire.h"

#include <QHash>

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
    QHash<quint8, int> seen;
    for (quint8 address : factoryAddresses)
        m_modules.append(Module(serialNumberFor(address, seen[address]++), address));
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
    for (char byte : bytes)
        step(quint8(byte), nowMs);
    output += m_output;
    if (!bytes.isEmpty())
        emit changed();
    return output;
}

QByteArray Line::advance(qint64 nowMs)
{
    m_now = qMax(nowMs, m_now);
    m_output.clear();
    if (m_state == State::AfterDeselect && m_now - m_deselectAt > BroadcastOffWindowMs) {
        m_state = State::Idle;
        deselect();
        emit changed();
    }
    return m_output;
}

std::optional<qint64> Line::deadline() const
{
    if (m_state != State::AfterDeselect)
        return std::nullopt;
    return m_deselectAt + BroadcastOffWindowMs + 1;
}

void Line::powerUp()
{
    for (Module& module : m_modules)
        module.powerUp(
            m_store.value(module.serialNumber(), ModuleConfig::factory(module.factoryAddress())));
    m_state = State::Idle;
    m_arguments.clear();
    emit changed();
}

void Line::setInputs(int index, quint8 inputs)
{
    m_modules[index].setInputs(inputs);
    emit changed();
}

void Line::step(quint8 byte, qint64 nowMs)
{
    switch (m_state) {
    case State::Idle:
        idle(byte, nowMs);
        break;
    case State::AfterSelect:
        // The byte after 0xEF is the address, unless it starts a frame itself: then the
        // select was cut short and is forgotten.
        m_state = State::Idle;
        if (wire::isFrameStart(byte))
            idle(byte, nowMs);
        else
            select(byte);
        break;
    case State::AfterDeselect:
        m_state = State::Idle;
        if (byte == wire::Broadcast) {
            broadcastOff();
        } else {
            deselect();
            idle(byte, nowMs);
        }
        break;
    case State::AfterCommand: {
        m_state = State::Idle;
        if (wire::isFrameStart(byte)) {
            idle(byte, nowMs);
            break;
        }
        const int wanted = wire::argumentCount(byte);
        if (wanted == 0) {
            command(byte, {});
        } else if (wanted > 0) {
            m_code = byte;
            m_argumentsWanted = wanted;
            m_arguments.clear();
            m_state = State::InArguments;
        }
        // An unknown code is skipped on its own; what follows it is read afresh.
        break;
    }
    case State::InArguments:
        // Arguments are taken whatever their value: bitmaps and texts hold any byte.
        m_arguments.append(char(byte));
        if (m_arguments.size() == m_argumentsWanted) {
            m_state = State::Idle;
            command(m_code, m_arguments);
        }
        break;
    }
}

void Line::idle(quint8 byte, qint64 nowMs)
{
    switch (byte) {
    case wire::Select:
        m_state = State::AfterSelect;
        break;
    case wire::Deselect:
        m_state = State::AfterDeselect;
        m_deselectAt = nowMs;
        break;
    case wire::Command:
        m_state = State::AfterCommand;
        break;
    default:
        for (Module& module : m_modules) {
            if (module.selected())
                module.writeText(byte);
        }
        break;
    }
}

void Line::select(quint8 address)
{
    if (address == wire::Broadcast) {
        for (Module& module : m_modules)
            module.setBroadcastSelected(true);
        return;
    }
    for (int i = 0; i < m_modules.size(); ++i) {
        Module& module = m_modules[i];
        module.setBroadcastSelected(false);
        module.setOwnSelected(module.address() == address);
        if (module.ownSelected()) {
            m_answers.append(module.acknowledgement());
            m_answering.append(i);
        }
    }
    sendAnswers();
}

void Line::deselect()
{
    for (int i = 0; i < m_modules.size(); ++i) {
        Module& module = m_modules[i];
        if (module.ownSelected()) {
            m_answers.append(module.acknowledgement());
            m_answering.append(i);
            module.setOwnSelected(false);
        }
    }
    sendAnswers();
}

void Line::broadcastOff()
{
    for (Module& module : m_modules)
        module.setBroadcastSelected(false);
}

void Line::command(quint8 code, const QByteArray& arguments)
{
    if (code == wire::code::ReadInputs) {
        for (int i = 0; i < m_modules.size(); ++i) {
            if (m_modules.at(i).ownSelected()) {
                m_answers.append(m_modules.at(i).inputAnswer());
                m_answering.append(i);
            }
        }
        sendAnswers();
        return;
    }
    bool stored = false;
    for (Module& module : m_modules) {
        if (!module.selected())
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
    if (!m_silent && m_answers.size() == 1) {
        m_output += m_answers.constFirst();
    } else if (!m_silent && m_answers.size() > 1) {
        const QByteArray garbled = collide(m_answers);
        m_output += garbled;
        for (int index : std::as_const(m_answering))
            m_modules[index].noteConflict();
        emit conflict(m_modules.at(m_answering.constFirst()).address(), garbled);
    }
    m_answers.clear();
    m_answering.clear();
}

} // namespace velnor
