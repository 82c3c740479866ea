#include "link/QtTickSource.h"

namespace velnor {

QtTickSource::QtTickSource(int intervalMs, QObject* parent) : TickSource(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TickSource::tick);
}

void QtTickSource::start()
{
    m_timer.start();
}

void QtTickSource::stop()
{
    m_timer.stop();
}

bool QtTickSource::isActive() const
{
    return m_timer.isActive();
}

} // namespace velnor
