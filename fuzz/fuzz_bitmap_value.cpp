// The number in a custom-character bitmap box, against a reference written here: the written
// form checked character by character, then strtod in the C locale, rounding to the nearest
// whole number (a half to the even one) and the range 0 to 255. And setting or clearing a dot
// changes that dot's bit only: bits 5 to 7, which are not drawn, stay as they were.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "protocol/BitmapValue.h"

#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <optional>
#include <string>

using namespace velnor;
using velnor::fuzz::FuzzInput;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// [blanks] [sign] (digits [. [digits]] | . digits) [(e|E) [sign] digits] [blanks], and the
// number without the blanks; nothing when the text is not of that form.
std::optional<std::string> writtenNumber(const QString& text)
{
    qsizetype at = 0;
    const qsizetype end = text.size();
    const auto digits = [&] {
        const qsizetype from = at;
        while (at < end && isDigit(text.at(at)))
            ++at;
        return at - from;
    };
    while (at < end && isBlank(text.at(at)))
        ++at;
    const qsizetype from = at;
    if (at < end && (text.at(at) == u'+' || text.at(at) == u'-'))
        ++at;
    qsizetype mantissa = digits();
    if (at < end && text.at(at) == u'.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (at < end && (text.at(at) == u'e' || text.at(at) == u'E')) {
        ++at;
        if (at < end && (text.at(at) == u'+' || text.at(at) == u'-'))
            ++at;
        if (digits() == 0)
            return std::nullopt;
    }
    const qsizetype to = at;
    while (at < end && isBlank(text.at(at)))
        ++at;
    if (at != end)
        return std::nullopt;
    return text.sliced(from, to - from).toStdString();
}

// The text with each 0x01 n c turned into 8 * n + 1 times c: numbers far beyond a double's range
// and precision, which the fuzzer would hardly write out byte by byte.
QByteArray expanded(QByteArrayView bytes)
{
    QByteArray text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\x01' && i + 2 < bytes.size()) {
            text.append(8 * quint8(bytes[i + 1]) + 1, bytes[i + 2]);
            i += 2;
        } else {
            text.append(bytes[i]);
        }
    }
    return text;
}

std::optional<quint8> referenceByte(const QString& text)
{
    const std::optional<std::string> number = writtenNumber(text);
    if (!number)
        return std::nullopt;
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
    const double value = ::strtod_l(number->c_str(), nullptr, c);
    // Too large for a double is out of range; too small to tell from 0 is 0.
    if (std::isinf(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < 0 || rounded > 255)
        return std::nullopt;
    return quint8(rounded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const quint8 dot = in.byte();
    const QString box = QString::fromUtf8(expanded(in.rest()));

    FUZZ_CHECK(std::fegetround() == FE_TONEAREST, "rounding to nearest");
    const std::optional<quint8> expected = referenceByte(box);
    const std::optional<quint8> actual = bitmapByte(box);
    if (expected != actual) {
        std::fprintf(stderr, "box \"%s\": expected %d, got %d\n", qPrintable(box),
                     expected ? int(*expected) : -1, actual ? int(*actual) : -1);
    }
    FUZZ_CHECK(expected == actual, "the box's number is read as the reference reads it");

    const int column = dot % kDotColumns;
    const bool on = (dot / kDotColumns) % 2;
    const quint8 row = expected.value_or(0);
    const std::optional<quint8> changed = bitmapByte(withDot(box, column, on));
    FUZZ_CHECK(changed.has_value(), "a box with a dot set holds a number");
    const auto bit = quint8(1u << (kDotColumns - 1 - column));
    FUZZ_CHECK((*changed & ~bit) == (row & ~bit), "only the dot's own bit changes");
    FUZZ_CHECK(hasDot(*changed, column) == on, "the dot is set or cleared");
    return 0;
}
