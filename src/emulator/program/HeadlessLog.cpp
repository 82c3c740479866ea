#include "emulator/program/HeadlessLog.h"

#include "emulator/Line.h"
#include "emulator/PtyHost.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <climits>
#include <poll.h>
#include <unistd.h>

namespace velnor {

namespace {

QByteArray hex(const QByteArray& bytes)
{
    return bytes.toHex(' ').toUpper();
}

} // namespace

HeadlessLog::HeadlessLog(PtyHost& host, int fd, bool decode, QObject* parent)
    : QObject(parent), m_host(host), m_fd(fd), m_peers(host.peers()),
      m_writable(new QSocketNotifier(fd, QSocketNotifier::Write, this)), m_decode(decode)
{
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &HeadlessLog::flush);
    connect(&host, &PtyHost::frameReceived, this, [this](const QByteArray& bytes) {
        if (!m_decode)
            return write("> " + hex(bytes));
        // Answers still awaited were not given: the modules answer each read at once.
        m_decoder.endAnswers();
        QList<DecodedFrame> frames = m_decoder.sent(bytes);
        frames += m_decoder.pauseSent();
        frameLine("> ", bytes, frames);
    });
    connect(&host, &PtyHost::answered, this, [this](const QByteArray& bytes) {
        if (!m_decode)
            return write("< " + hex(bytes));
        // The modules' answers to one read go out in one write.
        QList<DecodedFrame> frames = m_decoder.received(bytes);
        frames += m_decoder.endAnswers();
        frameLine("< ", bytes, frames);
    });
    connect(&host, &PtyHost::dropped, this,
            [this](const QByteArray& bytes) { write("# dropped, nobody reads: " + hex(bytes)); });
    connect(&host, &PtyHost::peersChanged, this, &HeadlessLog::showPeers);
    connect(&host.line(), &Line::speedChanged, this,
            [this](int baud) { write("# line at " + QByteArray::number(baud) + " bit/s"); });
    connect(&host.line(), &Line::conflict, this,
            [this](quint8 address, const QByteArray& garbled) {
                write("! conflict " + QByteArray::number(address) + ": " + hex(garbled));
            });
}

void HeadlessLog::writeDevice(const PtyHost& host, std::FILE* stream)
{
    write(stream, "device " + QFile::encodeName(host.slavePath()));
    if (host.devicePath() != host.slavePath())
        write(stream, "link " + QFile::encodeName(host.devicePath()));
}

void HeadlessLog::write(std::FILE* stream, const QByteArray& line)
{
    if (std::ferror(stream))
        return; // nobody reads any more
    std::fputs(line.constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void HeadlessLog::write(const QByteArray& line)
{
    if (m_closed)
        return;
    // Once a line is dropped, the following ones are too until the backlog is out, so the
    // count stands where the lines were missing.
    if (m_dropped > 0 || m_backlog.size() + line.size() + 1 > MaxBacklog) {
        ++m_dropped;
        return;
    }
    m_backlog += line + '\n';
    flush();
}

void HeadlessLog::frameLine(const char* lead, const QByteArray& bytes,
                            const QList<DecodedFrame>& frames)
{
    write(lead + hex(bytes) + "  " + meaningOf(frames).toUtf8());
}

void HeadlessLog::showPeers()
{
    const std::optional<int> before = std::exchange(m_peers, m_host.peers());
    const bool wasOpen = before.value_or(0) > 0;
    if (!m_peers)
        write("# may be opened by a program whose descriptors cannot be read: answers are sent");
    else if (*m_peers == 0)
        write("# closed");
    else if (!wasOpen)
        write("# opened");
    else
        write("# held by " + QByteArray::number(*m_peers) + " programs");
}

void HeadlessLog::flush()
{
    while (!m_closed) {
        if (m_backlog.isEmpty()) {
            if (m_dropped == 0)
                break;
            m_backlog = "# " + QByteArray::number(std::exchange(m_dropped, 0)) +
                        " lines dropped: the log was not read\n";
        }
        // Ready to write means room for PIPE_BUF bytes on a pipe, so a write of that much
        // does not wait; the rest waits for the next readiness.
        pollfd ready{m_fd, POLLOUT, 0};
        const int polled = ::poll(&ready, 1, 0);
        if (polled < 0 && errno == EINTR)
            continue;
        ssize_t n = 0;
        if (polled > 0 && (ready.revents & POLLOUT) != 0) {
            n = ::write(m_fd, m_backlog.constData(), size_t(qMin(m_backlog.size(), PIPE_BUF)));
            if (n < 0 && errno == EINTR)
                continue;
        }
        if (polled == 0 || (n < 0 && errno == EAGAIN)) {
            m_writable->setEnabled(true);
            return;
        }
        if (n <= 0) {
            // Nobody reads any more (a pipe into head, say): the log stops, not the emulator.
            m_closed = true;
            m_backlog.clear();
            break;
        }
        m_backlog.remove(0, n);
    }
    m_writable->setEnabled(false);
}

} // namespace velnor
