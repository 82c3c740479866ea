#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace velnor::test {

using IniKeys = QList<std::pair<QString, QString>>;

// Every key of a full "LCD" section in the order the panel writes them, with values worth
// telling apart: UID 107, Baud 9600, two start-up lines, PT1 to PT10 "Text k", Custom1 to
// Custom64 n % 32. A change replaces the value of its key.
inline IniKeys lcdKeys(const IniKeys& changes = {})
{
    IniKeys keys{{QStringLiteral("UID"), QStringLiteral("107")},
                 {QStringLiteral("Baud"), QStringLiteral("9600")},
                 {QStringLiteral("Line1"), QStringLiteral("Velnor bench")},
                 {QStringLiteral("Line2"), QStringLiteral("Line two")}};
    for (int k = 1; k <= 10; ++k)
        keys.append({QStringLiteral("PT%1").arg(k), QStringLiteral("Text %1").arg(k)});
    for (int n = 1; n <= 64; ++n)
        keys.append({QStringLiteral("Custom%1").arg(n), QString::number(n % 32)});
    for (const auto& [key, value] : changes) {
        for (auto& entry : keys) {
            if (entry.first == key)
                entry.second = value;
        }
    }
    return keys;
}

// The section as the panel writes it: its header, then a line for each key, CR LF ended.
inline QByteArray lcdSection(const IniKeys& keys = lcdKeys())
{
    QByteArray text = "[LCD]\r\n";
    for (const auto& [key, value] : keys)
        text += (key + u'=' + value).toLatin1() + "\r\n";
    return text;
}

} // namespace velnor::test
