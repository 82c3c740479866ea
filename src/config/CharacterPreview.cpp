#include "config/CharacterPreview.h"

#include "protocol/BitmapValue.h"

#include <QPainter>

namespace velnor {

namespace {
constexpr int kDot = 4;
constexpr int kGap = 1;
constexpr int kMargin = 3;
} // namespace

CharacterPreview::CharacterPreview(QWidget* parent) : QWidget(parent)
{
    setFixedSize(2 * kMargin + kDotColumns * (kDot + kGap) - kGap,
                 2 * kMargin + kDotRows * (kDot + kGap) - kGap);
}

void CharacterPreview::setRows(const std::array<std::optional<quint8>, 8>& rows)
{
    m_rows = rows;
    update();
}

void CharacterPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 255, 0));
    for (int r = 0; r < kDotRows; ++r) {
        for (int c = 0; c < kDotColumns; ++c) {
            const QRect dot(kMargin + c * (kDot + kGap), kMargin + r * (kDot + kGap), kDot, kDot);
            const std::optional<quint8>& row = m_rows[size_t(r)];
            if (!row)
                painter.fillRect(dot, QBrush(Qt::darkGray, Qt::Dense6Pattern));
            else
                painter.fillRect(dot, hasDot(*row, c) ? QColor(0, 40, 0) : QColor(0, 220, 0));
        }
    }
}

} // namespace velnor
