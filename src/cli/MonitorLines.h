#pragma once

#include "protocol/FrameDecoder.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class QTextStream;

namespace velnor::cli {

// The monitor's lines: the bytes written (>) and read (<) in hex, each line followed, after
// two blanks, by what its bytes mean ("> EF 65  select 101"). The writes made before the event
// loop runs again are one line; what is read makes a line once it completes a frame, so an
// answer that came in pieces is one line. Every byte is on exactly one line: what is left of an
// answer goes out before the next write, and at end().
class MonitorLines final : public QObject
{
    Q_OBJECT
public:
    explicit MonitorLines(QTextStream& out, QObject* parent = nullptr);

    void wrote(const QByteArray& bytes);
    void received(const QByteArray& bytes);
    // Prints the writes held for this turn of the event loop.
    void flushWrites();
    // Nothing more comes: whatever is held is printed.
    void end();

private:
    // Prints the bytes read that the frames account for; the rest waits for its frame.
    void printHeard(const QList<DecodedFrame>& frames);
    void print(const char* lead, const QByteArray& bytes, const QList<DecodedFrame>& frames);

    QTextStream& m_out;
    FrameDecoder m_decoder;
    QByteArray m_sent;
    QByteArray m_heard;
};

} // namespace velnor::cli
