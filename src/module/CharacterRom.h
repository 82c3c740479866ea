#pragma once

#include "shared/ModuleLimits.h"

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace velnor {

// The dot patterns a module's display shows for each character code: printable ASCII from a
// built-in table, codes 0x00-0x07 (and again 0x08-0x0F) from the custom-character bitmaps,
// 0xFF a filled block, every other code a hollow box.
class CharacterRom
{
public:
    static constexpr int DotRows = limits::CharacterDotRows;
    static constexpr int DotColumns = limits::CharacterDotColumns;
    using Glyph = std::array<quint8, DotRows>; // top row first, bit 4 the leftmost dot
    // The codes drawn as letters from the built-in table, space to tilde.
    static constexpr bool isPrintable(quint8 code) { return code >= 0x20 && code < 0x7F; }

    // bitmaps: the module's 64 custom-character bytes.
    static Glyph glyph(quint8 code, const QByteArray& bitmaps);
    static bool isDotOn(const Glyph& glyph, int row, int column)
    {
        return (glyph.at(size_t(row)) >> (DotColumns - 1 - column)) & 1u;
    }
};

} // namespace velnor
