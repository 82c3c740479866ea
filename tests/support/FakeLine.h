#pragma once

#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "link/Panel.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace velnor::test {

// A panel's line on fakes: a port in memory, ticks as fast as the event loop turns.
inline Panel::Line fakeLine()
{
    return {std::make_unique<FakeSerialPort>(), std::make_unique<FakeTickSource>()};
}

inline FakeSerialPort& fakePort(Panel& panel)
{
    return static_cast<FakeSerialPort&>(panel.port());
}

inline FakeTickSource& fakeTicks(Panel& panel)
{
    return static_cast<FakeTickSource&>(panel.ticks());
}

// Lets the running wait come to its end, as a user who waits for the answer would. The event
// loop sleeps only until the next event, so fake ticks follow each other without delay.
inline bool waitsOver(const Panel& panel)
{
    const WaitGate& gate = panel.gate();
    QSignalSpy changed(&gate, &WaitGate::openChanged);
    const QDeadlineTimer deadline(10000);
    while (!gate.isOpen() && !deadline.hasExpired())
        changed.wait(int(deadline.remainingTime()));
    return gate.isOpen();
}

} // namespace velnor::test
