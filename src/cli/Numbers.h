#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>

namespace velnor::cli {

// Numbers, input states or addresses as the reports print them: "1,3", "9600 4800", "1 0 1".
template <typename Numbers> QString joined(const Numbers& numbers, QChar separator)
{
    QStringList words;
    for (const auto number : numbers)
        words.append(QString::number(number));
    return words.join(separator);
}

// The same numbers as a JSON array.
template <typename Numbers> QJsonArray jsonArray(const Numbers& numbers)
{
    QJsonArray array;
    for (const auto number : numbers)
        array.append(int(number));
    return array;
}

} // namespace velnor::cli
