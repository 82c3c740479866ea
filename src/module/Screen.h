#pragma once

#include "module/Module.h"
#include "shared/ModuleLimits.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <bitset>
#include <optional>

namespace velnor {

// What one module's display shows, with what is not known left unknown: a cell nobody wrote,
// a custom character never uploaded, a cursor or backlight never set. The emulator's modules
// are known through and through; the panel's mirror of a module is known as far as its
// frames went.
struct Screen
{
    static constexpr int Rows = Module::Rows;
    static constexpr int Columns = Module::Columns;
    static constexpr int Cells = Rows * Columns;

    std::array<quint8, Cells> cells{};
    std::bitset<Cells> knownCells;
    // The eight custom characters' 64 bytes, and which of them are known.
    QByteArray bitmaps = QByteArray(limits::CustomCharacters * limits::CharacterDotRows, '\0');
    std::bitset<limits::CustomCharacters> knownCharacters;
    int cursorRow = 0;
    int cursorColumn = 0;
    bool cursorPlaceKnown = false;
    std::optional<Module::CursorLook> cursorLook;
    std::optional<Module::Backlight> backlight;
    // The predefined text (1 to 10) shown on a row whose cells are not known, else 0: what went
    // out is known by its number even where the text is not.
    std::array<int, Rows> storedText{};

    // A module as it is: everything known.
    static Screen of(const Module& module);

    quint8 cell(int row, int column) const { return cells.at(size_t(row * Columns + column)); }
    // Whether the cell's dots are known: its code and, for a custom character, its bitmap.
    bool isKnown(int row, int column) const;
    // The custom character a code shows (0x00-0x0F), or -1 for one of the character set.
    static int customIndex(quint8 code) { return code < 0x10 ? code % 8 : -1; }

    // A row as a screen reader reads it: "?" for a cell not known ("text 3, not known" for a
    // stored text never uploaded), "[n]" for custom character n (1 to 8).
    QString rowText(int row) const;
    // The stored text (1 to 10) a row shows, when nothing of the row is known but its number.
    int unknownStoredText(int row) const;
    // Both rows, the backlight and the cursor, in words.
    QString description() const;

    bool operator==(const Screen&) const = default;
};

} // namespace velnor
