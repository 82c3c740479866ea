#include "config/DotButton.h"

#include <QPainter>

namespace velnor {

DotButton::DotButton(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
}

void DotButton::setUnknown(bool unknown)
{
    if (m_unknown == unknown)
        return;
    m_unknown = unknown;
    setAccessibleDescription(unknown ? QStringLiteral("unknown: the box holds no number 0 to 255")
                                     : QString());
    update();
}

void DotButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect square = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(square, m_unknown     ? QBrush(Qt::gray, Qt::BDiagPattern)
                             : isChecked() ? QBrush(QColor(0, 64, 0))
                                           : QBrush(QColor(0, 255, 0)));
    painter.setPen(hasFocus() ? QPen(Qt::blue, 1) : QPen(QColor(0, 128, 0), 1));
    painter.drawRect(square);
}

} // namespace velnor
