#include "FakeTickSource.h"

namespace velnor::test {

FakeTickSource::FakeTickSource(QObject* parent) : TickSource(parent) {}

void FakeTickSource::start()
{
    if (m_active)
        return;
    m_active = true;
    m_ticksThisRun = 0;
    schedule();
}

void FakeTickSource::stop()
{
    if (m_active)
        ticksPerRun.append(m_ticksThisRun);
    m_active = false;
    // Ticks already posted belong to the run that just ended.
    ++m_run;
}

void FakeTickSource::schedule()
{
    QTimer::singleShot(0, this, [this, run = m_run] {
        if (!m_active || run != m_run)
            return;
        ++ticksEmitted;
        ++m_ticksThisRun;
        emit tick();
        if (m_active && run == m_run)
            schedule();
    });
}

} // namespace velnor::test
