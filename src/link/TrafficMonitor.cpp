#include "link/TrafficMonitor.h"

#include "shared/Formats.h"

namespace velnor {

void TrafficMonitor::clear()
{
    m_tx.clear();
    m_rx.clear();
    m_rxBytes.clear();
    m_rxCut = false;
    emit txTextChanged(m_tx);
    emit rxTextChanged(m_rx);
}

void TrafficMonitor::appendTx(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    // Each byte is followed by a blank, so the frames of one exchange run on in one line.
    m_tx += formats::hex(bytes) + QLatin1Char(' ');
    emit txTextChanged(m_tx);
}

void TrafficMonitor::showTx(const QString& text)
{
    m_tx = text;
    emit txTextChanged(m_tx);
}

void TrafficMonitor::appendRx(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    m_rxBytes += bytes;
    if (m_rxBytes.size() > kRxTail) {
        m_rxBytes.remove(0, m_rxBytes.size() - kRxTail);
        m_rxCut = true;
    }
    const QString bytesText = formats::hex(m_rxBytes) + QLatin1Char(' ');
    m_rx = m_rxCut ? QStringLiteral("... ") + bytesText : bytesText;
    emit rxTextChanged(m_rx);
}

} // namespace velnor
