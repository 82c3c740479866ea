#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace velnor {

class IniFile;

// What the configuration window edits, as the boxes hold it: the address box's text, the
// speed, the start-up screen, the ten predefined texts and the 64 bitmap boxes. Loaded from
// and saved to section "LCD" of the settings file.
struct ModuleSetup
{
    static constexpr int kTextLength = 16;
    static constexpr int kBitmapLength = 3;
    static constexpr int kTexts = 10;
    static constexpr int kBitmaps = 64;
    // The keys of section "LCD": UID, Baud, Line1, Line2, the texts and the bitmaps.
    static constexpr int kKeys = 4 + kTexts + kBitmaps;

    QString uid;
    bool at9600 = false;
    QString line1;
    QString line2;
    std::array<QString, kTexts> texts;
    std::array<QString, kBitmaps> bitmaps;

    // Every value cut to its box's limit and otherwise taken as it stands: nothing is
    // validated here. "Baud" other than exactly "9600" means 4800.
    static ModuleSetup load(const IniFile& settings);
    // Writes UID, Baud, Line1, Line2, PT1 to PT10, then Custom1 to Custom64 in one write of
    // the file; a key that cannot be stored does not keep the others out. Returns the
    // failures, one text for each key that was not written.
    QStringList save(const IniFile& settings) const;

    // The module address the address box stands for: 101 to 132 when its text equals one of
    // the entries "101" to "132".
    std::optional<int> address() const;

    bool operator==(const ModuleSetup&) const = default;
};

} // namespace velnor
