#include "link/FrameLink.h"

#include "link/MessageSink.h"
#include "link/SerialPort.h"
#include "link/TickSource.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"

#include <QEventLoop>

namespace velnor {

FrameLink::FrameLink(Variables& vars, SerialPort& port, TickSource& ticks, MessageSink& messages,
                     TrafficMonitor& monitor, QObject* parent)
    : QObject(parent), m_vars(vars), m_port(port), m_ticks(ticks), m_messages(messages),
      m_monitor(monitor)
{
}

void FrameLink::SendFrame(qint16 n)
{
    startExchange();
    if (!ensureOpen())
        return;
    qint16 i = 0;
    for (; i != n && i < Variables::kTxDataSize; ++i) {
        const QByteArray byte(1, char(m_vars.TxData[size_t(i)]));
        if (!m_port.output(byte)) {
            reportFailure(m_port.errorString());
            return;
        }
        m_monitor.appendTx(byte);
    }
    if (i != n) {
        reportFailure(
            QStringLiteral("a frame of %1 bytes does not fit the %2-byte transmit buffer")
                .arg(n)
                .arg(Variables::kTxDataSize));
    }
}

void FrameLink::SendText()
{
    startExchange();
    if (!ensureOpen())
        return;
    if (!m_port.output(m_vars.TxText)) {
        reportFailure(m_port.errorString());
        return;
    }
    m_monitor.appendTx(m_vars.TxText);
}

void FrameLink::WaitTicks(qint16 n)
{
    m_vars.TickCount = 0;
    if (n <= 0)
        return;

    // Each wait counts its own ticks, so a wait of the other window that adds to the shared
    // counter (or resets it) cannot make this one end early or never.
    qint16 mine = 0;
    QEventLoop loop;
    connect(&m_ticks, &TickSource::tick, &loop, [&] {
        ++m_vars.TickCount;
        if (++mine >= n)
            loop.quit();
    });

    ++m_vars.WaitsRunning;
    if (m_waitDepth++ == 0)
        m_ticks.start();
    loop.exec();
    if (--m_waitDepth == 0)
        m_ticks.stop();
    --m_vars.WaitsRunning;
}

void FrameLink::startExchange()
{
    m_monitor.clear();
    // Bytes still waiting from before this frame cannot be its answer; left there, a single
    // stray byte would sit in front of every later answer and hide it.
    m_port.input();
}

bool FrameLink::ensureOpen()
{
    if (m_port.portOpen())
        return true;
    if (m_port.setPortOpen(true))
        return true;
    reportFailure(m_port.errorString());
    return false;
}

void FrameLink::reportFailure(const QString& detail)
{
    m_messages.showMessage(kPortNotAvailable, detail);
}

} // namespace velnor
