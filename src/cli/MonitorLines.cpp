#include "cli/MonitorLines.h"

#include "shared/Formats.h"

#include <QTextStream>

#include <utility>

namespace velnor::cli {

MonitorLines::MonitorLines(QTextStream& out, QObject* parent) : QObject(parent), m_out(out) {}

void MonitorLines::wrote(const QByteArray& bytes)
{
    if (m_sent.isEmpty())
        QMetaObject::invokeMethod(this, &MonitorLines::flushWrites, Qt::QueuedConnection);
    m_sent += bytes;
}

void MonitorLines::received(const QByteArray& bytes)
{
    flushWrites();
    m_heard += bytes;
    printHeard(m_decoder.received(bytes));
}

void MonitorLines::flushWrites()
{
    if (m_sent.isEmpty())
        return;
    // An answer still open belongs to the exchange before this write: it was all there is.
    printHeard(m_decoder.endAnswers());
    QList<DecodedFrame> frames = m_decoder.sent(m_sent);
    frames += m_decoder.pauseSent();
    print("> ", std::exchange(m_sent, {}), frames);
}

void MonitorLines::end()
{
    flushWrites();
    printHeard(m_decoder.endAnswers());
}

void MonitorLines::printHeard(const QList<DecodedFrame>& frames)
{
    if (frames.isEmpty())
        return;
    qsizetype length = 0;
    for (const DecodedFrame& frame : frames)
        length += frame.bytes.size();
    print("< ", m_heard.first(length), frames);
    m_heard.remove(0, length);
}

void MonitorLines::print(const char* lead, const QByteArray& bytes,
                         const QList<DecodedFrame>& frames)
{
    m_out << lead << formats::hex(bytes) << "  " << meaningOf(frames) << '\n';
    m_out.flush();
}

} // namespace velnor::cli
