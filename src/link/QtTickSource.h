#pragma once

#include "link/TickSource.h"

#include <QTimer>

namespace velnor {

// Ticks from a precise timer. The main window's 10 ms tick is long enough for a frame, the
// module's work and its answer to fit into a 10-tick wait.
class QtTickSource final : public TickSource
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 10;

    explicit QtTickSource(int intervalMs = kTickMs, QObject* parent = nullptr);

    void start() override;
    void stop() override;
    bool isActive() const override;

private:
    QTimer m_timer;
};

} // namespace velnor
