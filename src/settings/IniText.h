#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The settings file format as pure functions on the file's bytes: looking a key up and
// producing the file's new contents after one key is set. Everything not touched by the
// update stays byte for byte as it was.
namespace velnor::ini {

// The value of key in the first section of that name, trimmed and unquoted; nullopt when the
// section or key is missing. Names match without regard to case.
std::optional<QByteArray> lookup(QByteArrayView file, QByteArrayView section, QByteArrayView key);

// The file with key set to value (encoded by encodeValue), adding key or section as needed.
// The lines it adds, and a last line it changes that had no line break, end in the line break
// the file uses most (CRLF in a new file).
// A write that rejectReason refuses leaves the file as it was.
QByteArray update(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                  QByteArrayView value);

// The text written after '=': the value itself, or the value in one pair of double quotes when
// reading it back would otherwise trim or unquote it.
QByteArray encodeValue(QByteArrayView value);

// Why this key cannot be stored so that lookup finds it again with this value (a line break
// would start a new line, a ']' would end the section name early, ...); nullptr when it can.
const char* rejectReason(QByteArrayView section, QByteArrayView key, QByteArrayView value);

} // namespace velnor::ini
