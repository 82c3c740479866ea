#pragma once

#include "shared/Wire.h"

#include <QByteArray>
#include <QList>

namespace velnor {

// Bytes sent back to back at one speed as 8N1 frames (a start bit, eight data bits lowest
// first, a stop bit), starting some of their own bit times late.
struct Transmission
{
    QByteArray bytes;
    int baud = wire::FastSpeed;
    int delayBits = 0;
};

// What a receiver at `baud` reads from a line carrying the transmissions at once. The line is
// wired-AND (a transmitter sending a 0 bit pulls it down) and idles high after the last bit.
// The receiver waits for the line to be low, samples the middle of each of its own bit times
// and delivers the byte whatever the stop bit holds; a low stop bit is taken as the next start
// bit, except after a byte read as all zeros (a break), which waits for the line to go high
// again. So one transmission at the receiver's speed comes through unchanged, several at once
// come out garbled, and one at another speed reads as garbage, as on a real line.
QByteArray receive(const QList<Transmission>& sent, int baud);

} // namespace velnor
