#pragma once

#include <QJsonArray>

namespace velnor::cli {

// Numbers, input states or addresses as a JSON array.
template <typename Numbers> QJsonArray jsonArray(const Numbers& numbers)
{
    QJsonArray array;
    for (const auto number : numbers)
        array.append(int(number));
    return array;
}

} // namespace velnor::cli
