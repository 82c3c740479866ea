#pragma once

#include "link/TickSource.h"

#include <QList>
#include <QTimer>

namespace velnor::test {

// Ticks as fast as the event loop turns: each tick is a posted event, so whatever the test
// scheduled before (an answer, a click) runs between two ticks, in order, without real time.
class FakeTickSource final : public TickSource
{
    Q_OBJECT
public:
    explicit FakeTickSource(QObject* parent = nullptr);

    void start() override;
    void stop() override;
    bool isActive() const override { return m_active; }

    int ticksEmitted = 0;
    // How many ticks each run from start() to stop() gave, in order.
    QList<int> ticksPerRun;

private:
    void schedule();

    bool m_active = false;
    int m_run = 0;
    int m_ticksThisRun = 0;
};

} // namespace velnor::test
