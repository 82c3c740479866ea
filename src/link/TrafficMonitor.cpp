#include "link/TrafficMonitor.h"

#include "link/Hex.h"

namespace velnor {

void TrafficMonitor::clear()
{
    m_tx.clear();
    m_rx.clear();
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
    m_rx += hexItems(bytes);
    emit rxTextChanged(m_rx);
}

} // namespace velnor
