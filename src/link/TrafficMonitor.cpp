#include "link/TrafficMonitor.h"

#include "link/Hex.h"

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
    m_tx += hexItems(bytes);
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
    m_rx = m_rxCut ? QStringLiteral("... ") + hexItems(m_rxBytes) : hexItems(m_rxBytes);
    emit rxTextChanged(m_rx);
}

} // namespace velnor
