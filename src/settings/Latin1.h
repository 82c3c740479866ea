#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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

} // namespace velnor
