#pragma once

#include <QByteArray>
#include <QString>

namespace velnor {

// One row of the traffic log: a frame a window wrote, a frame or run of bytes that came back,
// or an answer that did not come.
struct LogRow
{
    enum class Window { Panel, Configuration };
    enum class Direction { Sent, Received, Missing };

    qint64 msecsSinceEpoch = 0;
    Window window = Window::Panel;
    Direction direction = Direction::Sent;
    // The module concerned, -1 when none is known.
    int address = -1;
    QByteArray bytes;
    QString meaning;
    // The port and speed the bytes went over, "port 1, 9600".
    QString line{};

    bool operator==(const LogRow&) const = default;
};

} // namespace velnor
