#include "lcd/LcdView.h"

#include "module/CharacterRom.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace velnor {

namespace {

constexpr int Bezel = 10;
constexpr int GlassMargin = 14;
constexpr int CellWidth = CharacterRom::DotColumns * LcdView::DotPitch - 1;
constexpr int CellHeight = CharacterRom::DotRows * LcdView::DotPitch - 1;
constexpr int CellGapX = 5;
constexpr int CellGapY = 7;
constexpr int Inset = Bezel + GlassMargin;
// Close to the rate of the display controllers' own cursor blink.
constexpr int BlinkMs = 400;

} // namespace

LcdView::LcdView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_blink.setInterval(BlinkMs);
    connect(&m_blink, &QTimer::timeout, this, [this] { setBlinkPhase(!m_blinkPhase); });
    setScreen(m_screen);
}

QSize LcdView::sizeHint() const
{
    return {2 * Inset + Module::Columns * CellWidth + (Module::Columns - 1) * CellGapX,
            2 * Inset + Module::Rows * CellHeight + (Module::Rows - 1) * CellGapY};
}

void LcdView::setScreen(const Screen& screen)
{
    m_screen = screen;
    const bool blinking =
        screen.backlight == Module::Backlight::Flashing ||
        (screen.cursorPlaceKnown && screen.cursorLook == Module::CursorLook::Blinking);
    if (blinking && !m_blink.isActive()) {
        m_blink.start();
    } else if (!blinking) {
        m_blink.stop();
        m_blinkPhase = true;
    }
    update();
}

void LcdView::setBlinkPhase(bool on)
{
    m_blinkPhase = on;
    update();
}

QPoint LcdView::dotCentre(int row, int column, int dotRow, int dotColumn) const
{
    return {Inset + column * (CellWidth + CellGapX) + dotColumn * DotPitch + DotSize / 2,
            Inset + row * (CellHeight + CellGapY) + dotRow * DotPitch + DotSize / 2};
}

QColor LcdView::dotOnColour(bool lit)
{
    return lit ? QColor(0x1F, 0x2E, 0x0C) : QColor(0x1A, 0x20, 0x10);
}

QColor LcdView::dotOffColour(bool lit)
{
    return lit ? QColor(0xA3, 0xC2, 0x30) : QColor(0x4E, 0x5A, 0x2C);
}

QColor LcdView::glassColour(bool lit)
{
    return lit ? QColor(0xAF, 0xCF, 0x3A) : QColor(0x55, 0x62, 0x31);
}

QColor LcdView::unknownColour()
{
    return QColor(0x8C, 0x8C, 0x8C);
}

bool LcdView::backlightLit() const
{
    switch (m_screen.backlight.value_or(Module::Backlight::On)) {
    case Module::Backlight::On:
        return true;
    case Module::Backlight::Off:
        return false;
    case Module::Backlight::Flashing:
        return m_blinkPhase;
    }
    return true;
}

void LcdView::paintEvent(QPaintEvent*)
{
    const Screen& screen = m_screen;
    const bool lit = backlightLit();
    const bool glassKnown = screen.backlight.has_value();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Bezel and glass.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x22, 0x24, 0x26));
    painter.drawRoundedRect(rect(), 8, 8);
    const QRectF glass = rect().adjusted(Bezel, Bezel, -Bezel, -Bezel);
    QLinearGradient shade(glass.topLeft(), glass.bottomLeft());
    const QColor glassTint = glassKnown ? glassColour(lit) : unknownColour().lighter(125);
    shade.setColorAt(0, glassTint.lighter(106));
    shade.setColorAt(1, glassTint.darker(104));
    painter.setBrush(shade);
    painter.drawRoundedRect(glass, 3, 3);
    painter.setRenderHint(QPainter::Antialiasing, false);

    for (int row = 0; row < Module::Rows; ++row) {
        for (int column = 0; column < Module::Columns; ++column) {
            const bool known = screen.isKnown(row, column);
            CharacterRom::Glyph glyph =
                CharacterRom::glyph(screen.cell(row, column), screen.bitmaps);
            // A cell not known is a chequer of dots: no character draws one.
            if (!known)
                glyph.fill(0);
            const bool cursorHere = screen.cursorPlaceKnown && row == screen.cursorRow &&
                                    column == screen.cursorColumn;
            if (cursorHere && screen.cursorLook == Module::CursorLook::Underline)
                glyph.back() = 0x1F;
            if (cursorHere && screen.cursorLook == Module::CursorLook::Blinking && m_blinkPhase)
                glyph.fill(0x1F);
            for (int dotRow = 0; dotRow < CharacterRom::DotRows; ++dotRow) {
                for (int dotColumn = 0; dotColumn < CharacterRom::DotColumns; ++dotColumn) {
                    const bool on = CharacterRom::isDotOn(glyph, dotRow, dotColumn);
                    QColor colour = on ? dotOnColour(lit) : dotOffColour(lit);
                    if (!on && !known && (dotRow + dotColumn) % 2 == 0)
                        colour = unknownColour();
                    else if (!on && !glassKnown)
                        colour = unknownColour().lighter(115);
                    const QPoint centre = dotCentre(row, column, dotRow, dotColumn);
                    painter.fillRect(centre.x() - DotSize / 2, centre.y() - DotSize / 2, DotSize,
                                     DotSize, colour);
                }
            }
        }
    }
}

} // namespace velnor
