#include "emulator/Uart.h"

#include "shared/Wire.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

namespace velnor {

namespace {

// The line's level over time, in units small enough that every sender's bit time and half the
// receiver's bit time are whole numbers of them.
class LineLevel
{
public:
    LineLevel(const QList<Transmission>& sent, qint64 unitsPerSecond)
    {
        for (const Transmission& t : sent) {
            const qint64 bit = unitsPerSecond / t.baud;
            const qint64 start = t.delayBits * bit;
            const qint64 end = start + t.bytes.size() * wire::BitsPerByte * bit;
            m_senders.push_back({&t.bytes, start, bit, end});
            m_end = std::max(m_end, m_senders.back().end);
        }
    }

    bool high(qint64 time) const
    {
        for (const Sender& s : m_senders) {
            if (time < s.start || time >= s.end)
                continue;
            const qint64 index = (time - s.start) / s.bit;
            const qint64 position = index % wire::BitsPerByte;
            const auto byte = quint8(s.bytes->at(qsizetype(index / wire::BitsPerByte)));
            const bool bit = position == 0 ? false
                             : position == wire::BitsPerByte - 1
                                 ? true
                                 : ((byte >> (position - 1)) & 1u) != 0;
            if (!bit)
                return false;
        }
        return true;
    }

    // The first time from `time` on at which the line is at the level given; the line idles
    // high after the last bit.
    std::optional<qint64> next(qint64 time, bool level) const
    {
        while (time < m_end) {
            if (high(time) == level)
                return time;
            // The level changes only where some sender's bit begins.
            qint64 next = m_end;
            for (const Sender& s : m_senders) {
                if (time < s.start)
                    next = std::min(next, s.start);
                else if (time < s.end)
                    next = std::min(next, s.start + ((time - s.start) / s.bit + 1) * s.bit);
            }
            time = next;
        }
        return level ? std::optional<qint64>(time) : std::nullopt;
    }

private:
    struct Sender
    {
        const QByteArray* bytes;
        qint64 start;
        qint64 bit;
        qint64 end;
    };
    std::vector<Sender> m_senders;
    qint64 m_end = 0;
};

} // namespace

QByteArray receive(const QList<Transmission>& sent, int baud)
{
    if (baud <= 0 ||
        std::any_of(sent.cbegin(), sent.cend(), [](const Transmission& t) { return t.baud <= 0; }))
        return {};
    qint64 senders = 1;
    for (const Transmission& t : sent)
        senders = std::lcm(senders, qint64(t.baud));
    // Half a receiver bit is `senders` units; a sender's bit is 2 * baud * senders / its baud.
    const qint64 half = senders;
    const LineLevel line(sent, 2 * qint64(baud) * senders);

    QByteArray received;
    std::optional<qint64> stopSample;
    qint64 from = 0;
    while (const std::optional<qint64> low = line.next(from, false)) {
        // Low where the stop bit was sampled: that is taken as the middle of the next start
        // bit. Otherwise the start bit begins where the line fell.
        const qint64 start = low == stopSample ? *low - half : *low;
        quint8 byte = 0;
        for (int i = 0; i < 8; ++i) {
            if (line.high(start + (2 * (i + 1) + 1) * half))
                byte = quint8(byte | (1u << i));
        }
        received.append(char(byte));
        stopSample = start + (2 * (wire::BitsPerByte - 1) + 1) * half;
        from = *stopSample;
        // Low all through, stop bit included, is a break: one zero byte, and nothing more
        // until the line has gone high again.
        if (byte == 0 && !line.high(*stopSample))
            from = *line.next(from, true);
    }
    return received;
}

} // namespace velnor
