// The frame decoder on any bytes in either direction, written in any pieces, with pauses and
// ends of answers anywhere: every byte comes out in exactly one frame or run, in order and in
// its direction; no frame is empty, longer than a run may grow or without a one-line meaning;
// and a second decoder given each run of same-direction pieces in one write names the same
// frames.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "protocol/FrameDecoder.h"

#include <cstddef>
#include <cstdint>

using namespace velnor;
using velnor::fuzz::FuzzInput;

namespace {

constexpr int kMostSteps = 512;

enum class Step { Sent, Received, Pause, EndAnswers };

void check(const QList<DecodedFrame>& frames)
{
    for (const DecodedFrame& frame : frames) {
        FUZZ_CHECK(!frame.bytes.isEmpty(), "every frame holds bytes");
        FUZZ_CHECK(frame.bytes.size() <= FrameDecoder::MaxRun, "no frame grows without end");
        FUZZ_CHECK(!frame.meaning.isEmpty(), "every frame has a meaning");
        for (const QChar ch : frame.meaning)
            FUZZ_CHECK(ch.unicode() >= 0x20 && (ch.unicode() < 0x7F || ch.unicode() >= 0xA0),
                       "a meaning is one line of printable text");
    }
}

QByteArray joined(const QList<DecodedFrame>& frames)
{
    QByteArray bytes;
    for (const DecodedFrame& frame : frames)
        bytes += frame.bytes;
    return bytes;
}

// The second decoder: pieces of one direction that follow each other go in as one write.
struct Merged
{
    FrameDecoder decoder;
    QList<DecodedFrame> frames;
    Step kind = Step::Pause;
    QByteArray piece;

    void flush()
    {
        if (kind == Step::Sent)
            frames += decoder.sent(piece);
        else if (kind == Step::Received)
            frames += decoder.received(piece);
        piece.clear();
        kind = Step::Pause;
    }

    void add(Step step, const QByteArray& bytes)
    {
        if (step != kind)
            flush();
        kind = step;
        piece += bytes;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    FrameDecoder decoder;
    Merged merged;
    QList<DecodedFrame> frames;
    QList<DecodedFrame> sentFrames;
    QList<DecodedFrame> receivedFrames;
    QByteArray sent;
    QByteArray received;

    for (int step = 0; step < kMostSteps && !in.atEnd(); ++step) {
        const quint8 choice = in.byte();
        QList<DecodedFrame> out;
        switch (choice % 8) {
        case 0:
        case 1:
        case 2: {
            const QByteArray bytes = in.bytes(in.byte());
            sent += bytes;
            out = decoder.sent(bytes);
            sentFrames += out;
            merged.add(Step::Sent, bytes);
            break;
        }
        case 3:
        case 4:
        case 5: {
            const QByteArray bytes = in.bytes(in.byte());
            received += bytes;
            out = decoder.received(bytes);
            receivedFrames += out;
            merged.add(Step::Received, bytes);
            break;
        }
        case 6:
            out = decoder.pauseSent();
            sentFrames += out;
            merged.flush();
            merged.frames += merged.decoder.pauseSent();
            break;
        case 7:
            out = decoder.endAnswers();
            receivedFrames += out;
            merged.flush();
            merged.frames += merged.decoder.endAnswers();
            break;
        }
        check(out);
        frames += out;
    }
    QList<DecodedFrame> last = decoder.endSent();
    sentFrames += last;
    frames += last;
    last = decoder.endAnswers();
    receivedFrames += last;
    frames += last;
    check(frames);
    FUZZ_CHECK(joined(sentFrames) == sent, "every byte sent is in one frame, in order");
    FUZZ_CHECK(joined(receivedFrames) == received, "every byte received is in one frame");

    merged.flush();
    merged.frames += merged.decoder.endSent();
    merged.frames += merged.decoder.endAnswers();
    FUZZ_CHECK(merged.frames == frames, "the same frames however the bytes were split");
    return 0;
}
