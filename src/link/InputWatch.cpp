#include "link/InputWatch.h"

#include "link/Exchanges.h"
#include "link/Panel.h"
#include "link/WaitGate.h"

namespace velnor {

InputWatch::InputWatch(Panel& panel, QObject* parent) : QObject(parent), m_panel(panel)
{
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &InputWatch::read);
    connect(&panel.gate(), &WaitGate::openChanged, this, [this](bool open) {
        // From the event loop: whoever opened the gate has not yet told its own listeners.
        if (open && m_awaitingGate) {
            m_awaitingGate = false;
            m_next.start(0);
        }
    });
}

InputWatch::~InputWatch()
{
    stop();
}

bool InputWatch::start(quint8 address, int intervalMs)
{
    if (m_running)
        return false;
    m_address = address;
    m_intervalMs = qMax(0, intervalMs);
    m_last.reset();
    m_running = true;
    read();
    return true;
}

void InputWatch::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_awaitingGate = false;
    m_next.stop();
    if (m_reading)
        m_panel.exchanges().cancel();
    emit stopped();
}

void InputWatch::read()
{
    if (!m_running || m_reading)
        return;
    m_sinceRead.start();
    m_reading = m_panel.exchanges().start(
        {Exchange::readInputs(m_address).endingOnAnswer()}, this,
        {{},
         {},
         [this](const Exchange::Outcome& outcome) { exchangeEnded(outcome); },
         [this](bool completed) { exchangeFinished(completed); }});
    // Another wait holds the gate: this read goes out once it is over.
    m_awaitingGate = !m_reading;
}

void InputWatch::exchangeEnded(const Exchange::Outcome& outcome)
{
    if (!outcome.answered) {
        emit unanswered();
        return;
    }
    QList<int> changed;
    for (int i = 0; i < int(outcome.inputs.size()); ++i) {
        if (!m_last || m_last->at(size_t(i)) != outcome.inputs.at(size_t(i)))
            changed.append(i);
    }
    const bool first = !m_last;
    m_last = outcome.inputs;
    emit answered(outcome.inputs, changed, first);
}

void InputWatch::exchangeFinished(bool completed)
{
    m_reading = false;
    if (!m_running)
        return;
    // Cancelled by someone else, a closing window say: the watch ends with it.
    if (!completed) {
        stop();
        return;
    }
    const qint64 left = m_intervalMs - m_sinceRead.elapsed();
    if (left <= 0)
        read();
    else
        m_next.start(int(left));
}

} // namespace velnor
