#pragma once

#include "shared/ModuleLimits.h"

#include <QString>

#include <array>
#include <optional>

namespace velnor {

// What the configuration window edits, as the boxes hold it: the address box's text, the
// speed, the start-up screen, the ten predefined texts and the 64 bitmap boxes. The upload
// plan is made from it; the settings file keeps it in section "LCD".
struct ModuleSetup
{
    static constexpr int kTextLength = limits::Columns;
    // Digits of the largest dot-row value, 255.
    static constexpr int kBitmapLength = 3;
    static constexpr int kTexts = limits::Texts;
    // One box for each dot row of each custom character.
    static constexpr int kBitmaps = limits::CustomCharacters * limits::CharacterDotRows;
    // The keys of section "LCD": UID, Baud, Line1, Line2, the texts and the bitmaps.
    static constexpr int kKeys = 4 + kTexts + kBitmaps;

    QString uid;
    bool at9600 = false;
    QString line1;
    QString line2;
    std::array<QString, kTexts> texts;
    std::array<QString, kBitmaps> bitmaps;

    // The module address the address box stands for: 101 to 132 when its text equals one of
    // the entries "101" to "132".
    std::optional<int> address() const;

    bool operator==(const ModuleSetup&) const = default;
};

} // namespace velnor
