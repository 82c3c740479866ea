#include "emulator/window/InputSwitch.h"

#include <QPainter>

namespace velnor {

namespace {

constexpr int TrackWidth = 28;
constexpr int TrackHeight = 14;

} // namespace

InputSwitch::InputSwitch(int number, QWidget* parent) : QAbstractButton(parent), m_number(number)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const auto describe = [this](bool closed) {
        setToolTip(tr("Input %1: %2").arg(m_number).arg(closed ? tr("closed") : tr("open")));
    };
    connect(this, &QAbstractButton::toggled, this, describe);
    describe(false);
}

QSize InputSwitch::sizeHint() const
{
    return {34, TrackHeight + 4 + fontMetrics().height()};
}

void InputSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track((width() - TrackWidth) / 2.0, 1, TrackWidth, TrackHeight);
    painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    painter.setBrush(isChecked() ? QColor(0x2E, 0x8B, 0x57) : QColor(0xB8, 0xB8, 0xB8));
    painter.drawRoundedRect(track, TrackHeight / 2.0, TrackHeight / 2.0);
    const qreal knob = TrackHeight - 4;
    const qreal x = isChecked() ? track.right() - knob - 2 : track.left() + 2;
    painter.setBrush(hasFocus() ? QColor(0xFF, 0xFF, 0xE8) : QColor(Qt::white));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, TrackHeight + 3, width(), fontMetrics().height()), Qt::AlignCenter,
                     QString::number(m_number));
}

} // namespace velnor
