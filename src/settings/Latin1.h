#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>

// One 8-bit character set for every text that becomes bytes (settings file, text frames,
// configuration texts): one byte per character and back, so a 16-character text is always
// 16 bytes and a value read and written back is byte-identical.
namespace velnor {

inline QByteArray toWire(const QString& text)
{
    return text.toLatin1();
}

inline QString fromWire(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes);
}

// Whether every character has a byte of its own; toWire() would turn the others into '?'.
inline bool fitsWire(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

} // namespace velnor
