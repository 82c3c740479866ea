#include "link/Hex.h"

namespace velnor {

QString hexItems(QByteArrayView bytes)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(QChar(kDigits[byte >> 4]));
        text.append(QChar(kDigits[byte & 0x0F]));
        text.append(QLatin1Char(' '));
    }
    return text;
}

} // namespace velnor
