#include "emulator/program/HeadlessLog.h"

#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "protocol/Frames.h"
#include "shared/Formats.h"
#include "shared/Wire.h"

#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <unistd.h>

namespace velnor {

namespace {

QByteArray hex(const QByteArray& bytes)
{
    return formats::hex(bytes).toLatin1();
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
        m_expected.clear();
        QList<DecodedFrame> frames = m_decoder.sent(bytes);
        frames += m_decoder.pauseSent();
        expectAnswers(frames);
        frameLine("> ", bytes, frames);
    });
    connect(&host, &PtyHost::answered, this, [this](const QByteArray& bytes) {
        if (!m_decode)
            return write("< " + hex(bytes));
        // The modules' answers to one read go out in one write.
        frameLine("< ", bytes, decodeAnswers(bytes));
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

void HeadlessLog::expectAnswers(const QList<DecodedFrame>& frames)
{
    using Kind = DecodedFrame::Kind;
    for (const DecodedFrame& frame : frames) {
        const bool own = frame.address >= wire::FirstAddress && frame.address <= wire::LastAddress;
        if ((frame.kind == Kind::Select || frame.kind == Kind::Deselect) && own)
            m_expected.append({frame.address, false});
        else if (frame.kind == Kind::Command && frame.bytes == frames::readInputs())
            // In broadcast, whichever module is also selected by its own address answers.
            m_expected.append({own ? frame.address : -1, true});
    }
}

QList<DecodedFrame> HeadlessLog::decodeAnswers(const QByteArray& bytes)
{
    // Modules that are absent, or deaf at another speed, leave frames unanswered, so answers
    // are not simply taken in the order they were called for: each goes to the first frame
    // still waiting that its module's address and its own shape fit. A frame passed over
    // was not answered.
    QList<DecodedFrame> frames;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype length = 0;
        bool inputs = false;
        if (quint8(bytes.at(at)) != wire::Answer) {
            const qsizetype next = bytes.indexOf(char(wire::Answer), at);
            length = (next < 0 ? bytes.size() : next) - at;
        } else {
            const int address = at + 1 < bytes.size() ? quint8(bytes.at(at + 1)) : -1;
            // An answer is whole when the next one, or the end, follows right after it.
            const auto shapeFits = [&](bool ofInputs) {
                const qsizetype end =
                    at + (ofInputs ? wire::InputAnswerLength : wire::AcknowledgementLength);
                return end <= bytes.size() &&
                       !bytes.mid(at + 1, end - at - 1).contains(char(wire::Answer)) &&
                       (end == bytes.size() || quint8(bytes.at(end)) == wire::Answer);
            };
            const auto answered =
                std::find_if(m_expected.cbegin(), m_expected.cend(), [&](const Expected& e) {
                    return (e.address < 0 || e.address == address) && shapeFits(e.inputs);
                });
            if (answered != m_expected.cend()) {
                inputs = answered->inputs;
                m_expected.erase(m_expected.cbegin(), answered + 1);
            } else {
                inputs = !shapeFits(false) && shapeFits(true);
            }
            length = inputs ? wire::InputAnswerLength : wire::AcknowledgementLength;
        }
        // Each answer read by a decoder of its own, told only what this one answers.
        FrameDecoder decoder;
        if (inputs)
            decoder.sent(frames::readInputs());
        frames +=
            decoder.received(QByteArrayView(bytes).sliced(at, qMin(length, bytes.size() - at)));
        frames += decoder.endAnswers();
        at += length;
    }
    return frames;
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
