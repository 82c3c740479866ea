#pragma once

#include <QByteArrayView>
#include <QString>

namespace velnor {

// What a path names (its links followed), as far as a write of a whole file there is concerned.
// Only a regular file, or a name nothing has yet, may be replaced by a new file: replacing
// anything else (a FIFO, a device, a folder) would put a plain file where it was, or fail
// half-way. A FIFO and a terminal can take the bytes themselves; nothing else can.
struct FileTarget
{
    // Unknown: it could not be looked at (a folder on the way missing or closed to us).
    enum class Kind { Missing, Regular, Fifo, Terminal, Other, Unknown };

    static FileTarget of(const QString& path);

    bool replaceable() const { return kind == Kind::Missing || kind == Kind::Regular; }
    bool writableInto() const { return kind == Kind::Fifo || kind == Kind::Terminal; }

    Kind kind = Kind::Missing;
    // What it is, for messages: "a FIFO", "a terminal", "a folder", "a character device", ...
    QString what;
};

// How a whole write ended.
struct WholeWrite
{
    enum class Outcome { Failed, Replaced, WrittenInto };

    explicit operator bool() const { return outcome != Outcome::Failed; }

    Outcome outcome = Outcome::Failed;
    // Failed: why, in the system's words or ours. WrittenInto: what took the bytes ("a FIFO",
    // "a terminal").
    QString detail;
};

// Writes a file whole under another name and then puts it in place, so that the file is either
// as it was or holds every byte. A write the system cut short (a full disk, a size limit) is a
// failure, reported with the system's reason, and leaves the old file as it was.
// A FIFO or a terminal at path is written into instead (a FIFO only while a program reads it);
// anything else that is not a regular file is refused and left as it was.
WholeWrite writeWholeFile(const QString& path, QByteArrayView bytes);

} // namespace velnor
