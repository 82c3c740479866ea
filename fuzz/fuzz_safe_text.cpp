// Typed text on its way to the line: any UTF-16 text, surrogates and all. The safe text has
// one byte for each UTF-16 unit and never a byte a module acts on (a frame start, the answer
// byte or a control code); a character shown as itself is its own byte. The text frame is
// 0x0D, the first line, 0x0C only where the first line leaves the cursor on the first row,
// and the second line, with no other byte a module acts on.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "protocol/Frames.h"
#include "protocol/SafeText.h"
#include "shared/Wire.h"

#include <cstddef>
#include <cstdint>
#include <optional>

using namespace velnor;
using velnor::fuzz::FuzzInput;

namespace {

constexpr qsizetype kLineLength = 16;

// Written out here rather than taken from the code under test.
bool actedOn(quint8 byte)
{
    return byte < 0x20 || byte == wire::Select || byte == wire::Deselect ||
           byte == wire::Command || byte == wire::Answer;
}

bool noneActedOn(QByteArrayView bytes)
{
    for (const char byte : bytes) {
        if (actedOn(quint8(byte)))
            return false;
    }
    return true;
}

QString textFrom(QByteArrayView bytes, bool latin1)
{
    if (latin1)
        return QString::fromLatin1(bytes);
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(char16_t(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8)));
    return text;
}

void checkSafeText(const QString& text)
{
    const QByteArray bytes = safeText(text);
    FUZZ_CHECK(bytes.size() == text.size(), "one byte for each UTF-16 unit");
    FUZZ_CHECK(noneActedOn(bytes), "no byte a module acts on");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        const bool shown = unit <= 0xFF && !actedOn(quint8(unit));
        FUZZ_CHECK(quint8(bytes.at(i)) == (shown ? unit : u'?'),
                   "a character goes out as itself, or else as '?'");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const bool latin1 = in.byte() % 2;
    const qsizetype firstLength = in.byte();
    const QString text = textFrom(in.rest(), latin1);
    checkSafeText(text);

    const QString line1 = text.left(firstLength);
    const QString line2 = text.mid(line1.size());
    const std::optional<frames::TextFrame> frame = frames::text(line1, line2);
    if (line1.isEmpty() && line2.isEmpty()) {
        FUZZ_CHECK(!frame, "no frame for no text");
        return 0;
    }
    FUZZ_CHECK(frame.has_value(), "a frame for any text");
    const QByteArray& bytes = frame->bytes;
    const bool separated = !line2.isEmpty() && line1.size() < kLineLength;
    FUZZ_CHECK(bytes.size() == 1 + line1.size() + (separated ? 1 : 0) + line2.size(),
               "one byte for each UTF-16 unit of the frame's text");
    FUZZ_CHECK(quint8(bytes.at(0)) == wire::ClearDisplay, "the text frame clears first");
    const QByteArrayView first = QByteArrayView(bytes).sliced(1, line1.size());
    const QByteArrayView rest = QByteArrayView(bytes).sliced(1 + line1.size());
    FUZZ_CHECK(noneActedOn(first), "no byte a module acts on in the first line");
    if (separated) {
        FUZZ_CHECK(quint8(rest.front()) == wire::SecondRow, "the second line starts its row");
        FUZZ_CHECK(noneActedOn(rest.sliced(1)), "no byte a module acts on in the second line");
    } else {
        FUZZ_CHECK(noneActedOn(rest), "no byte a module acts on in the second line");
    }
    const QByteArrayView second = separated ? rest.sliced(1) : rest;
    FUZZ_CHECK(frame->monitor.startsWith(QString::fromLatin1(first)) &&
                   frame->monitor.endsWith(QString::fromLatin1(second)),
               "the monitor shows both lines as sent");
    return 0;
}
