#include "link/FrameLink.h"

#include "link/MessageSink.h"
#include "link/SerialPort.h"
#include "link/TrafficMonitor.h"

namespace velnor {

FrameLink::FrameLink(SerialPort& port, MessageSink& messages, TrafficMonitor* monitor,
                     QObject* parent)
    : QObject(parent), m_port(port), m_messages(messages), m_monitor(monitor)
{
}

bool FrameLink::send(QByteArrayView frame)
{
    if (frame.isEmpty())
        return true;
    if (!startSend())
        return false;
    QByteArray sent;
    for (const char byte : frame) {
        const QByteArray one(1, byte);
        if (!m_port.output(one))
            break;
        if (m_monitor)
            m_monitor->appendTx(one);
        sent += one;
    }
    if (!sent.isEmpty())
        emit frameSent(sent);
    return sent.size() == frame.size() || fail();
}

bool FrameLink::sendText(QByteArrayView text, const QString& monitorText)
{
    const QByteArray bytes = text.toByteArray();
    if (!startSend())
        return false;
    if (!m_port.output(bytes))
        return fail();
    if (m_monitor)
        m_monitor->showTx(monitorText);
    emit frameSent(bytes);
    return true;
}

bool FrameLink::startSend()
{
    if (m_monitor) {
        m_monitor->clear();
        // Bytes still waiting from before this frame cannot be its answer; left there, a
        // single stray byte would sit in front of the answer and hide it. The port drops what
        // the device held from before it was opened.
        m_droppingStale = true;
        m_port.input();
        m_droppingStale = false;
    }
    return m_port.portOpen() || m_port.setPortOpen(true) || fail();
}

bool FrameLink::fail()
{
    m_messages.showMessage(kPortNotAvailable, m_port.errorString());
    return false;
}

} // namespace velnor
