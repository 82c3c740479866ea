#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

// How bytes, moments and lists of numbers read wherever the programs show them: the panel's
// windows and logs, velnor-cli and the emulator all write them one way.
namespace velnor::formats {

// Each byte as two upper-case hex digits, one blank between two: "EF 65".
inline QString hex(QByteArrayView bytes)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!text.isEmpty())
            text.append(QLatin1Char(' '));
        text.append(QChar(kDigits[byte >> 4]));
        text.append(QChar(kDigits[byte & 0x0F]));
    }
    return text;
}

// One byte the same way: "EF".
inline QString hex(quint8 byte)
{
    return hex(QByteArrayView(reinterpret_cast<const char*>(&byte), 1));
}

enum class Moment { DateAndTime, TimeOfDay };

// When a logged thing happened, local time to the millisecond: "2026-12-07T09:30:12.481", or
// its time of day alone, "09:30:12.481", where a column keeps the date out.
inline QString logTime(qint64 msecsSinceEpoch, Moment part = Moment::DateAndTime)
{
    const QString time = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch)
                             .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    return part == Moment::DateAndTime ? time : time.sliced(time.indexOf(QLatin1Char('T')) + 1);
}

// Numbers in a line of text: "101, 117", or with a separator of its own, "9600 4800", "1,3".
template <typename Numbers> QString numbers(const Numbers& values, QStringView separator = u", ")
{
    QString text;
    for (const auto value : values) {
        if (!text.isEmpty())
            text += separator;
        text += QString::number(value);
    }
    return text;
}

} // namespace velnor::formats
