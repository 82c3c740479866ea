#pragma once

#include "module/Screen.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace velnor {

// One module's 16x2 display as its glass shows it: each character 5x8 dots on the backlight's
// colour, the cursor as an underline or a blinking block, a flashing backlight going on and
// off. What is not known is drawn as such: a cell as a grey chequer, a backlight as grey glass.
class LcdView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int DotSize = 4;
    static constexpr int DotPitch = 5;

    explicit LcdView(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Shows a display, starting or stopping the blink to suit it.
    void setScreen(const Screen& screen);
    const Screen& screen() const { return m_screen; }
    // Puts blinking things in their "on" half or the other: a lit flashing backlight, the block
    // of a blinking cursor. The blink timer calls it; a still picture fixes the half.
    void setBlinkPhase(bool on);

    // The centre of one dot of one character cell, in widget coordinates.
    QPoint dotCentre(int row, int column, int dotRow, int dotColumn) const;
    // Colours of a dot that is on and one that is off, and of the glass between dots.
    static QColor dotOnColour(bool lit);
    static QColor dotOffColour(bool lit);
    static QColor glassColour(bool lit);
    static QColor unknownColour();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool backlightLit() const;

    Screen m_screen;
    QTimer m_blink;
    bool m_blinkPhase = true;
};

} // namespace velnor
