#pragma once

#include <QByteArray>
#include <QString>

namespace velnor {

// A typed text as the bytes a module shows: one byte for every UTF-16 unit, so a text of n
// units is always n bytes and a fixed-length field keeps its length. A character outside
// ISO-8859-1, or whose byte the line would take as a command or a control code, goes out as
// '?'. Without this a typed "þ " would put FE 20, the store command, on the line.
QByteArray safeText(const QString& text);

} // namespace velnor
