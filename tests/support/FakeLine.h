#pragma once

#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "link/Panel.h"

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

// Lets the running wait come to its end, as a user who waits for the answer would.
inline bool waitsOver(const Panel& panel)
{
    return QTest::qWaitFor([&panel] { return panel.gate().isOpen(); }, 10000);
}

} // namespace velnor::test
