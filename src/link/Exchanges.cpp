#include "link/Exchanges.h"

#include "link/FrameLink.h"
#include "link/Receiver.h"
#include "link/TickSource.h"
#include "link/WaitGate.h"
#include "protocol/Frames.h"
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

Exchanges::Exchanges(FrameLink& link, TickSource& ticks, WaitGate& gate, Receiver* receiver,
                     QObject* parent)
    : QObject(parent), m_link(link), m_ticks(ticks), m_gate(gate), m_receiver(receiver)
{
    connect(&m_ticks, &TickSource::tick, this, &Exchanges::tick);
    if (m_receiver)
        connect(m_receiver, &Receiver::answerIn, this, &Exchanges::answerIn);
}

Exchanges::~Exchanges()
{
    if (m_running) {
        m_ticks.stop();
        m_gate.open(this);
    }
}

bool Exchanges::start(const QList<Exchange>& steps, QObject* context, Run run)
{
    if (m_running || !m_gate.close(this))
        return false;
    m_context = context;
    m_run = std::move(run);
    m_steps = steps;
    m_next = 0;
    m_running = true;
    ++m_runs;
    runUntilWait();
    return true;
}

void Exchanges::cancel()
{
    if (!m_running)
        return;
    m_ticks.stop();
    if (m_receiver && m_current.kind == Exchange::Kind::ReadInputs)
        m_receiver->expect(m_current.address, wire::AcknowledgementLength);
    end(false);
}

void Exchanges::runUntilWait()
{
    // Whoever hears a step end may cancel this run and start another, which runs on its own.
    const quint64 run = m_runs;
    while (m_running && run == m_runs && m_next < m_steps.size()) {
        const qsizetype index = m_next++;
        if (!begin(m_steps.at(index), index))
            return;
        if (m_current.ticks > 0) {
            m_ticks.start();
            return;
        }
        endStep();
    }
    if (m_running && run == m_runs)
        end(true);
}

bool Exchanges::begin(const Exchange& step, qsizetype index)
{
    if (const auto starting = m_run.starting; starting && m_context) {
        starting(index);
        if (!m_running)
            return false;
    }
    m_current = step;
    m_ticksSeen = 0;
    m_answered = false;
    m_answer.clear();
    ++m_begun;
    using Kind = Exchange::Kind;
    const bool answers =
        step.kind == Kind::Select || step.kind == Kind::Deselect || step.kind == Kind::ReadInputs;
    // The receiver knows what it awaits before the frame goes out, so no answer can be missed.
    if (m_receiver && answers)
        m_receiver->expect(step.address, step.kind == Kind::ReadInputs
                                             ? wire::InputAnswerLength
                                             : wire::AcknowledgementLength);
    bool sent = true;
    switch (step.kind) {
    case Kind::Select:
        m_link.send(frames::select(step.address));
        break;
    case Kind::Deselect:
        m_link.send(frames::deselect());
        break;
    case Kind::ReadInputs:
        m_link.send(frames::readInputs());
        break;
    case Kind::Frame:
        sent = m_link.send(step.bytes);
        break;
    case Kind::Text:
        sent = m_link.sendText(step.bytes);
        break;
    case Kind::Pause:
        break;
    }
    if (!sent) {
        end(false);
        return false;
    }
    if (const auto stepSent = m_run.sent; stepSent && m_context)
        stepSent(index);
    return m_running;
}

void Exchanges::tick()
{
    if (!m_running || ++m_ticksSeen < m_current.ticks)
        return;
    finishCurrent();
}

void Exchanges::answerIn(const QByteArray& answer)
{
    if (!m_running) {
        emit answeredLate(answer);
        return;
    }
    m_answered = true;
    m_answer = answer;
    if (!m_current.endsOnAnswer)
        return;
    // It ends from the event loop, never from inside the receive event.
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
    const quint64 run = m_runs;
    m_ticks.stop();
    endStep();
    if (run == m_runs)
        runUntilWait();
}

void Exchanges::endStep()
{
    Exchange::Outcome outcome;
    outcome.kind = m_current.kind;
    outcome.address = m_current.address;
    outcome.answeredSinceSent = m_answered;
    switch (m_current.kind) {
    case Exchange::Kind::Select:
        outcome.answered = m_answered;
        break;
    case Exchange::Kind::Deselect:
        outcome.answered = m_current.acknowledged || m_answered;
        break;
    case Exchange::Kind::ReadInputs:
        if (m_receiver)
            m_receiver->expect(m_current.address, wire::AcknowledgementLength);
        outcome.answered = m_answered && m_answer.size() >= wire::InputAnswerLength;
        if (outcome.answered)
            outcome.inputs = inputStates(quint8(m_answer.at(2)), quint8(m_answer.at(3)));
        break;
    default:
        break;
    }
    if (const auto ended = m_run.ended; ended && m_context)
        ended(outcome);
    emit exchangeEnded(outcome);
}

void Exchanges::end(bool completed)
{
    m_running = false;
    m_steps.clear();
    m_current = {};
    m_gate.open(this);
    const QPointer<QObject> context = std::exchange(m_context, nullptr);
    const Run run = std::exchange(m_run, {});
    // Whoever hears this may start the next run.
    if (run.finished && context)
        run.finished(completed);
}

} // namespace velnor
