#include "emulator/window/OutputLamps.h"

#include <QPainter>
#include <QRadialGradient>

namespace velnor {

namespace {

constexpr int Radius = 9;

} // namespace

OutputLamps::OutputLamps(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void OutputLamps::setOutputs(quint8 outputs)
{
    if (outputs == m_outputs)
        return;
    m_outputs = outputs;
    update();
}

QSize OutputLamps::sizeHint() const
{
    return {8 * Pitch, 2 * Radius + 4 + fontMetrics().height() + 2};
}

QPoint OutputLamps::lampCentre(int index) const
{
    return {index * Pitch + Pitch / 2, Radius + 2};
}

QColor OutputLamps::lampColour(bool on)
{
    return on ? QColor(0xFF, 0x4A, 0x1C) : QColor(0x4A, 0x1E, 0x16);
}

void OutputLamps::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 8; ++i) {
        const bool on = (m_outputs >> i) & 1u;
        const QPoint centre = lampCentre(i);
        QRadialGradient glow(centre, Radius + 1, centre - QPoint(3, 3));
        glow.setColorAt(0, on ? QColor(0xFF, 0xD0, 0x90) : lampColour(false).lighter(140));
        glow.setColorAt(0.45, lampColour(on));
        glow.setColorAt(1, lampColour(on).darker(150));
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
        painter.setBrush(glow);
        painter.drawEllipse(centre, Radius, Radius);
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect label(i * Pitch, 2 * Radius + 4, Pitch, fontMetrics().height());
        painter.drawText(label, Qt::AlignCenter, QString::number(i + 1));
    }
}

} // namespace velnor
