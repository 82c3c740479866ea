#pragma once

#include "protocol/FrameDecoder.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <cstdio>
#include <optional>

class QSocketNotifier;

namespace velnor {

class PtyHost;

// The emulator's traffic as lines on a descriptor, each written out at once so a script reading
// it sees every frame as it happens:
//   device /dev/pts/3       link /tmp/velnor-emulator-1000
//   > EF 65                 a read from the line
//   < EE 65                 what the modules sent back and went out on the line
//   ! conflict 101: CC 60   modules sharing an address answered together
//   # opened / # closed     a program opened the device or the last one closed it
//   # line at 4800 bit/s    the far end changed the line's speed
// Decoding, each frame line goes on with what its bytes mean, after two blanks:
//   > EF 66 FE 0E  select 102; read inputs
//   < EE 66 EE 66 0A 05  acknowledge from 102; inputs of 102: 0 1 0 1 1 0 1 0
// Without it the lines stay as they always were, for the scripts that read them.
// Nothing here waits for the reader: while it reads nothing, lines beyond a backlog are
// dropped and counted, and the count is written once it reads again.
class HeadlessLog : public QObject
{
    Q_OBJECT
public:
    // Lines waiting for a reader that does not keep up, at most: room for the longest, a whole
    // read from the line in hexadecimal.
    static constexpr qsizetype MaxBacklog = 256 * 1024;

    HeadlessLog(PtyHost& host, int fd, bool decode = false, QObject* parent = nullptr);

    // The device lines, written once the host has started; the window prints them too.
    static void writeDevice(const PtyHost& host, std::FILE* stream);

private:
    static void write(std::FILE* stream, const QByteArray& line);
    void write(const QByteArray& line);
    // An answer the frames read so far call for, from the module with that address (-1: from
    // whichever is selected): an acknowledge, or its inputs.
    struct Expected
    {
        int address;
        bool inputs;
    };
    void expectAnswers(const QList<DecodedFrame>& frames);
    QList<DecodedFrame> decodeAnswers(const QByteArray& bytes);
    void frameLine(const char* lead, const QByteArray& bytes, const QList<DecodedFrame>& frames);
    void showPeers();
    void flush();

    PtyHost& m_host;
    int m_fd;
    QByteArray m_backlog;
    qint64 m_dropped = 0;
    bool m_closed = false;
    std::optional<int> m_peers;
    QSocketNotifier* m_writable;
    bool m_decode;
    FrameDecoder m_decoder;
    QList<Expected> m_expected;
};

} // namespace velnor
