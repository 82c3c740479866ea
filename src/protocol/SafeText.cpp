#include "protocol/SafeText.h"

#include "shared/Wire.h"

namespace velnor {

QByteArray safeText(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        const bool shown = unit <= 0xFF && wire::isShown(quint8(unit));
        bytes.append(shown ? char(unit) : '?');
    }
    return bytes;
}

} // namespace velnor
