#include "link/Exchanges.h"

#include "link/FrameLink.h"
#include "link/SerialPort.h"
#include "link/TickSource.h"
#include "link/WaitGate.h"
#include "protocol/Frames.h"
#include "shared/Variables.h"
#include "shared/Wire.h"

#include <QMetaObject>

#include <utility>

namespace velnor {

InputStates inputStates(quint8 bits1, quint8 bits2)
{
    InputStates states{};
    for (int i = 0; i < wire::InputsPerAnswerByte; ++i) {
        states[size_t(i)] = (bits1 >> i) & 1;
        states[size_t(i + wire::InputsPerAnswerByte)] = (bits2 >> i) & 1;
    }
    return states;
}

Exchanges::Exchanges(Variables& vars, FrameLink& link, SerialPort& port, TickSource& ticks,
                     WaitGate& gate, QObject* parent)
    : QObject(parent), m_vars(vars), m_link(link), m_port(port), m_ticks(ticks), m_gate(gate)
{
    connect(&m_ticks, &TickSource::tick, this, &Exchanges::tick);
}

Exchanges::~Exchanges()
{
    if (m_running) {
        m_ticks.stop();
        m_gate.open(this);
    }
}

bool Exchanges::start(const QList<Exchange>& sequence, const QObject* owner)
{
    if (m_running || !m_gate.close(this))
        return false;
    m_owner = owner;
    m_sequence = sequence;
    m_next = 0;
    m_running = true;
    runUntilWait();
    return true;
}

void Exchanges::cancel()
{
    if (!m_running)
        return;
    m_ticks.stop();
    if (m_current.kind == Exchange::Kind::ReadInputs)
        m_port.setRThreshold(wire::AcknowledgementLength);
    end(false);
}

void Exchanges::broadcast(bool on)
{
    m_link.send(on ? frames::broadcastOn() : frames::broadcastOff());
}

void Exchanges::runUntilWait()
{
    while (m_running && m_next < m_sequence.size()) {
        begin(m_sequence.at(m_next++));
        if (m_current.ticks > 0) {
            m_ticks.start();
            return;
        }
        endExchange();
    }
    if (m_running)
        end(true);
}

void Exchanges::begin(const Exchange& exchange)
{
    m_current = exchange;
    // No event runs between a send and the clearing of the flag, so no answer can be missed.
    switch (exchange.kind) {
    case Exchange::Kind::Select:
        m_vars.DeviceAddr = exchange.address;
        m_link.send(frames::select(exchange.address));
        m_vars.RxFlag = 0;
        break;
    case Exchange::Kind::Deselect:
        m_link.send(frames::deselect());
        break;
    case Exchange::Kind::ReadInputs:
        // The receiver reads a four-byte answer while the threshold says so.
        m_port.setRThreshold(wire::InputAnswerLength);
        m_link.send(frames::readInputs());
        m_vars.RxFlag = 0;
        break;
    case Exchange::Kind::Pause:
        break;
    }
    m_vars.TickCount = 0;
    m_ticksSeen = 0;
    ++m_begun;
}

void Exchanges::tick()
{
    if (!m_running)
        return;
    // The configuration window's ticks add to the shared counter too, so the exchange counts
    // its own.
    ++m_vars.TickCount;
    if (++m_ticksSeen < m_current.ticks)
        return;
    finishCurrent();
}

void Exchanges::answerIn()
{
    if (!m_running || !m_current.endsOnAnswer)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, begun = m_begun] {
            if (m_running && begun == m_begun)
                finishCurrent();
        },
        Qt::QueuedConnection);
}

void Exchanges::finishCurrent()
{
    m_ticks.stop();
    endExchange();
    runUntilWait();
}

void Exchanges::endExchange()
{
    Exchange::Outcome outcome;
    outcome.kind = m_current.kind;
    outcome.address = m_vars.DeviceAddr;
    switch (m_current.kind) {
    case Exchange::Kind::Select:
        outcome.answered = m_vars.RxFlag != 0;
        break;
    case Exchange::Kind::Deselect:
        outcome.answered = m_vars.RxFlag == -1;
        break;
    case Exchange::Kind::ReadInputs:
        m_port.setRThreshold(wire::AcknowledgementLength);
        outcome.answered = m_vars.RxFlag != 0;
        if (outcome.answered)
            outcome.inputs = inputStates(m_vars.InputBits1, m_vars.InputBits2);
        break;
    case Exchange::Kind::Pause:
        break;
    }
    emit exchangeEnded(outcome, m_owner);
}

void Exchanges::end(bool completed)
{
    m_running = false;
    m_sequence.clear();
    m_current = {};
    m_gate.open(this);
    // Whoever hears this may start the next sequence, with an owner of its own.
    emit finished(completed, std::exchange(m_owner, nullptr));
}

} // namespace velnor
