#include "module/Screen.h"

#include "module/CharacterRom.h"

namespace velnor {

Screen Screen::of(const Module& module)
{
    Screen screen;
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column)
            screen.cells[size_t(row * Columns + column)] = module.cell(row, column);
    }
    screen.knownCells.set();
    screen.bitmaps = module.working().bitmaps;
    screen.knownCharacters.set();
    screen.cursorRow = module.cursorRow();
    screen.cursorColumn = module.cursorColumn();
    screen.cursorPlaceKnown = true;
    screen.cursorLook = module.cursorLook();
    screen.backlight = module.backlight();
    return screen;
}

bool Screen::isKnown(int row, int column) const
{
    const size_t index = size_t(row * Columns + column);
    if (!knownCells.test(index))
        return false;
    const int custom = customIndex(cells.at(index));
    return custom < 0 || knownCharacters.test(size_t(custom));
}

int Screen::unknownStoredText(int row) const
{
    for (int column = 0; column < Columns; ++column) {
        if (isKnown(row, column))
            return 0;
    }
    return storedText.at(size_t(row));
}

QString Screen::rowText(int row) const
{
    if (const int stored = unknownStoredText(row))
        return QStringLiteral("text %1, not known").arg(stored);
    QString text;
    for (int column = 0; column < Columns; ++column) {
        const quint8 code = cell(row, column);
        if (!isKnown(row, column))
            text += QLatin1Char('?');
        else if (customIndex(code) >= 0)
            text += QStringLiteral("[%1]").arg(customIndex(code) + 1);
        else if (CharacterRom::isPrintable(code))
            text += QLatin1Char(char(code));
        else // what the display draws for a code it has no letter for
            text += code == 0xFF ? QStringLiteral("[block]") : QStringLiteral("[box]");
    }
    return text;
}

QString Screen::description() const
{
    QString light = QStringLiteral("unknown");
    if (backlight == Module::Backlight::On)
        light = QStringLiteral("on");
    else if (backlight == Module::Backlight::Off)
        light = QStringLiteral("off");
    else if (backlight == Module::Backlight::Flashing)
        light = QStringLiteral("flashing");
    QString look = QStringLiteral("cursor unknown");
    if (cursorLook == Module::CursorLook::Underline)
        look = QStringLiteral("underline cursor");
    else if (cursorLook == Module::CursorLook::Blinking)
        look = QStringLiteral("blinking cursor");
    else if (cursorLook == Module::CursorLook::Hidden)
        look = QStringLiteral("cursor hidden");
    const QString place =
        cursorPlaceKnown
            ? QStringLiteral("at row %1 column %2").arg(cursorRow + 1).arg(cursorColumn + 1)
            : QStringLiteral("at an unknown place");
    return QStringLiteral("Row 1: %1. Row 2: %2. Backlight %3. %4 %5.")
        .arg(rowText(0), rowText(1), light, look, place);
}

} // namespace velnor
