#pragma once

#include <QString>

#include <optional>

namespace velnor {

// The byte a custom-character bitmap box stands for. The box holds a decimal number: blanks
// around it, a sign, a fraction and an exponent are allowed, '.' is the decimal mark and
// there is no grouping. It is rounded to the nearest whole number, a half to the even
// neighbour, and must then lie between 0 and 255. Nothing for any other text.
std::optional<quint8> bitmapByte(const QString& text);

} // namespace velnor
