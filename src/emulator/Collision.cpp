#include "emulator/Collision.h"

#include <algorithm>
#include <vector>

namespace velnor {

namespace {

constexpr int BitsPerByte = 10; // start, eight data bits, stop

std::vector<bool> serialise(const QByteArray& bytes, int delayBits)
{
    std::vector<bool> bits(size_t(delayBits), true);
    for (char byte : bytes) {
        bits.push_back(false);
        for (int i = 0; i < 8; ++i)
            bits.push_back(((quint8(byte) >> i) & 1u) != 0);
        bits.push_back(true);
    }
    return bits;
}

} // namespace

QByteArray collide(const QList<QByteArray>& answers)
{
    std::vector<bool> line;
    for (int i = 0; i < answers.size(); ++i) {
        const std::vector<bool> bits = serialise(answers.at(i), i);
        if (bits.size() > line.size())
            line.resize(bits.size(), true);
        for (size_t b = 0; b < bits.size(); ++b)
            line[b] = line[b] && bits[b];
    }
    // The line idles high after the last answer, so a late start bit still reads a byte.
    line.resize(line.size() + BitsPerByte, true);

    // A receiver waits for a start bit, samples eight data bits and skips the stop bit
    // whatever it holds, as a framing error still delivers the byte.
    QByteArray received;
    size_t pos = 0;
    while (pos + BitsPerByte - 1 < line.size()) {
        if (line[pos]) {
            ++pos;
            continue;
        }
        quint8 byte = 0;
        for (int i = 0; i < 8; ++i) {
            if (line[pos + 1 + size_t(i)])
                byte = quint8(byte | (1u << i));
        }
        received.append(char(byte));
        pos += BitsPerByte;
    }
    return received;
}

} // namespace velnor
