#include "protocol/BitmapValue.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <string>

namespace velnor {

std::optional<quint8> bitmapByte(const QString& text)
{
    // Only this written form counts; anything a library would also take (hexadecimal, "inf",
    // "nan", a comma as the decimal mark) is not a number here. The end is \z, as $ would also
    // take a line break after the number.
    static const QRegularExpression number(QStringLiteral(
        R"(^[ \t]*([+-]?)((?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE]([+-]?)[0-9]+)?)[ \t]*\z)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;

    const std::string digits = match.captured(2).toStdString();
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small for a double is as good as zero; too large is out of range anyway.
        if (match.captured(3) != QLatin1String("-"))
            return std::nullopt;
        value = 0;
    } else if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    if (match.captured(1) == QLatin1String("-"))
        value = -value;

    // The default rounding mode rounds a half to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= 0 && rounded <= 255))
        return std::nullopt;
    return quint8(rounded);
}

QString withDot(const QString& box, int column, bool on)
{
    const auto bit = quint8(1u << (kDotColumns - 1 - column));
    const quint8 row = bitmapByte(box).value_or(0);
    return QString::number(on ? quint8(row | bit) : quint8(row & ~bit));
}

} // namespace velnor
