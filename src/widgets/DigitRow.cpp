#include "widgets/DigitRow.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QList>

namespace velnor {

void alignDigitsUnder(QLabel* digits, const QWidget* firstControl, int controls, qreal pitch)
{
    const QString text = digits->text();
    const auto centres = [&text](const QFont& font) {
        const QFontMetricsF metrics(font);
        QList<qreal> found;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) != QLatin1Char(' '))
                found.append(metrics.horizontalAdvance(text.left(i)) +
                             metrics.horizontalAdvance(text.at(i)) / 2);
        }
        return found;
    };
    QList<qreal> at = centres(digits->font());
    if (at.size() != controls || controls < 2)
        return;
    QFont font = digits->font();
    font.setWordSpacing(pitch - (at.last() - at.first()) / (at.size() - 1));
    digits->setFont(font);
    at = centres(font);
    const qreal firstCentre = firstControl->x() + firstControl->width() / 2.0;
    digits->move(
        qRound(firstCentre - (at.first() + at.last()) / 2 + (at.size() - 1) * pitch / 2.0),
        digits->y());
}

} // namespace velnor
