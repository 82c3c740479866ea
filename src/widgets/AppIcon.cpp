#include "widgets/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace velnor {

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    painter.scale(unit, unit);
    paintAppIcon(painter);
    return pixmap;
}

} // namespace

void paintAppIcon(QPainter& painter)
{
    // Module board with its bezel, then the display glass.
    painter.setPen(QPen(QColor(20, 40, 20), 1));
    painter.setBrush(QColor(30, 90, 45));
    painter.drawRoundedRect(QRectF(1.5, 6.5, 29, 19), 2, 2);
    painter.setBrush(QColor(150, 210, 40));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(4, 9, 24, 14));

    // Two rows of character cells, the first one lit.
    painter.setBrush(QColor(25, 50, 20));
    for (int row = 0; row < 2; ++row) {
        const int cells = row == 0 ? 5 : 3;
        for (int col = 0; col < cells; ++col)
            painter.drawRect(QRectF(5.5 + col * 4.5, 10.5 + row * 6.5, 3.5, 5));
    }
    // Four pins of the serial connector.
    painter.setBrush(QColor(210, 180, 60));
    for (int pin = 0; pin < 4; ++pin)
        painter.drawRect(QRectF(7 + pin * 5, 26, 2, 4));
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace velnor
