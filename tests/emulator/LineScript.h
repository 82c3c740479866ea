#pragma once

#include <QByteArray>
#include <QString>

namespace velnor {

class Line;
class Module;

// Runs a line through a short script, so each test row reads like the bytes on the wire:
//   EF 65         bytes in hexadecimal
//   "Hello"       the bytes of a text
//   41*16         a byte repeated
//   |             the bytes so far arrive, the next ones in a later read at the same time
//   @25           the bytes so far arrive, then the time becomes 25 ms
// Returns every byte the line sent back. A malformed script fails with a message in *error.
QByteArray runScript(Line& line, const QString& script, QString* error = nullptr);

// Bytes from the same notation, for expected values.
QByteArray scriptBytes(const QString& script);

// A display row as text, with codes outside 0x20..0x7E as {XX}.
QString shownRow(const Module& module, int row);
// "O" for the own selection and "B" for the broadcast one, "-" for none, modules by commas.
QString selections(const Line& line);
// Bytes as upper-case hexadecimal separated by blanks.
QString hexText(const QByteArray& bytes);

} // namespace velnor
