#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace velnor {

class Line;

// One module's 16x2 display as its glass shows it: each character 5x8 dots on the backlight's
// colour, the cursor as an underline or a blinking block, a flashing backlight going on and
// off. It reads the module from the line whenever it paints.
class LcdView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int DotSize = 4;
    static constexpr int DotPitch = 5;

    LcdView(const Line& line, int moduleIndex, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Starts or stops blinking to suit the module; call when the line has changed.
    void refresh();
    // Whether blinking things are in their "on" half: a lit flashing backlight, the block of a
    // blinking cursor. Set by the blink timer, or fixed for a still picture.
    bool blinkPhase() const { return m_blinkPhase; }
    void setBlinkPhase(bool on);

    // The centre of one dot of one character cell, in widget coordinates.
    QPoint dotCentre(int row, int column, int dotRow, int dotColumn) const;
    // Colours of a dot that is on and one that is off, and of the glass between dots.
    static QColor dotOnColour(bool lit);
    static QColor dotOffColour(bool lit);
    static QColor glassColour(bool lit);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool backlightLit() const;

    const Line& m_line;
    int m_index;
    QTimer m_blink;
    bool m_blinkPhase = true;
};

} // namespace velnor
