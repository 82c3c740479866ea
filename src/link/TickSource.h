#pragma once

#include <QObject>

namespace velnor {

// The periodic tick that waits count. Runs only between start() and stop().
class TickSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TickSource() override = default;

    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void tick();
};

} // namespace velnor
