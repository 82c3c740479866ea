#include "link/FrameLink.h"

#include "link/MessageSink.h"
#include "link/SerialPort.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"

#include <algorithm>

namespace velnor {

FrameLink::FrameLink(Variables& vars, SerialPort& port, MessageSink& messages,
                     TrafficMonitor& monitor, QObject* parent)
    : QObject(parent), m_vars(vars), m_port(port), m_messages(messages), m_monitor(monitor)
{
}

void FrameLink::send(QByteArrayView frame)
{
    if (frame.isEmpty())
        return;
    const auto n = std::min<qsizetype>(frame.size(), Variables::kTxDataSize);
    std::copy_n(frame.begin(), n, m_vars.TxData.begin());
    SendFrame(qint16(frame.size()));
}

void FrameLink::SendFrame(qint16 n)
{
    if (!startExchange())
        return;
    QByteArray sent;
    qint16 i = 0;
    for (; i != n && i < Variables::kTxDataSize; ++i) {
        const QByteArray byte(1, char(m_vars.TxData[size_t(i)]));
        if (!m_port.output(byte))
            break;
        m_monitor.appendTx(byte);
        sent += byte;
    }
    if (!sent.isEmpty())
        emit frameSent(sent);
    if (i == n)
        return;
    if (i < Variables::kTxDataSize) {
        reportFailure(m_port.errorString());
        return;
    }
    reportFailure(QStringLiteral("a frame of %1 bytes does not fit the %2-byte transmit buffer")
                      .arg(n)
                      .arg(Variables::kTxDataSize));
}

void FrameLink::SendText(const QString& monitorText)
{
    if (!startExchange())
        return;
    if (!m_port.output(m_vars.TxText)) {
        reportFailure(m_port.errorString());
        return;
    }
    m_monitor.showTx(monitorText);
    emit frameSent(m_vars.TxText);
}

bool FrameLink::startExchange()
{
    m_monitor.clear();
    // Bytes still waiting from before this frame cannot be its answer; left there, a single
    // stray byte would sit in front of the answer and hide it. The port drops what the device
    // held from before it was opened.
    m_droppingStale = true;
    m_port.input();
    m_droppingStale = false;
    if (!m_port.portOpen() && !m_port.setPortOpen(true)) {
        reportFailure(m_port.errorString());
        return false;
    }
    return true;
}

void FrameLink::reportFailure(const QString& detail)
{
    m_messages.showMessage(kPortNotAvailable, detail);
}

} // namespace velnor
