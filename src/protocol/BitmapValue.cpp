#include "protocol/BitmapValue.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace velnor {

namespace {

// Whether a number too large or too small for a double is the large kind: its first
// significant digit stands at or left of the units place once the exponent is applied.
bool atLeastOne(QStringView mantissa, const std::string& exponent)
{
    const qsizetype point = mantissa.contains(u'.') ? mantissa.indexOf(u'.') : mantissa.size();
    qsizetype first = 0;
    while (first < mantissa.size() && (mantissa[first] == u'0' || mantissa[first] == u'.'))
        ++first;
    if (first == mantissa.size())
        return false;
    // The units digit has place 0, the tens 1, the tenths -1.
    const qint64 place = first < point ? point - first - 1 : point - first;
    // Any exponent too long to count is far beyond every place a text can have.
    const bool negative = exponent.starts_with('-');
    const qsizetype skip = exponent.starts_with('+') ? 1 : 0;
    qint64 shift = 0;
    const std::from_chars_result read =
        std::from_chars(exponent.data() + skip, exponent.data() + exponent.size(), shift);
    if (read.ec == std::errc::result_out_of_range)
        shift = negative ? -std::numeric_limits<qint64>::max() / 2
                         : std::numeric_limits<qint64>::max() / 2;
    return place + shift >= 0;
}

} // namespace

std::optional<quint8> bitmapByte(const QString& text)
{
    // Only this written form counts; anything a library would also take (hexadecimal, "inf",
    // "nan", a comma as the decimal mark) is not a number here. The end is \z, as $ would also
    // take a line break after the number.
    static const QRegularExpression number(QStringLiteral(
        R"(^[ \t]*([+-]?)([0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE]([+-]?[0-9]+))?[ \t]*\z)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;

    const std::string exponent = match.captured(3).toStdString();
    const std::string digits =
        match.captured(2).toStdString() + (exponent.empty() ? "" : "e" + exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small for a double is as good as zero; too large is out of range anyway.
        if (atLeastOne(match.capturedView(2), exponent))
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
