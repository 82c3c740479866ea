#pragma once

#include "shared/ModuleLimits.h"

#include <QString>

#include <optional>

namespace velnor {

// The byte a custom-character bitmap box stands for. The box holds a decimal number: blanks
// around it, a sign, a fraction and an exponent are allowed, '.' is the decimal mark and
// there is no grouping. It is rounded to the nearest whole number, a half to the even
// neighbour, and must then lie between 0 and 255. Nothing for any other text.
std::optional<quint8> bitmapByte(const QString& text);

// A custom character is eight dot rows of five dots, one byte a row: bit 4 is the leftmost dot
// (column 0), bit 0 the rightmost; bits 5 to 7 are not drawn.
constexpr int kDotColumns = limits::CharacterDotColumns;
constexpr int kDotRows = limits::CharacterDotRows;
constexpr bool hasDot(quint8 row, int column)
{
    return (row >> (kDotColumns - 1 - column)) & 1;
}
// The box's text with one dot set or cleared. Only that bit changes; a box holding no number
// starts from an empty row.
QString withDot(const QString& box, int column, bool on);

} // namespace velnor
