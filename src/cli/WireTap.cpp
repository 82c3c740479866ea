#include "cli/WireTap.h"

namespace velnor::cli {

WireTap::WireTap(SerialPort& port, QObject* parent) : SerialPort(parent), m_port(port)
{
    // Every chunk is taken from the real port as it arrives; the threshold that the receiver
    // relies on is this port's own.
    m_port.setRThreshold(1);
    connect(&m_port, &SerialPort::onComm, this, &WireTap::takeIn);
}

bool WireTap::setPortOpen(bool open)
{
    const bool done = m_port.setPortOpen(open);
    if (!open)
        discardInput();
    return done;
}

bool WireTap::output(const QByteArray& bytes)
{
    if (!m_port.output(bytes))
        return false;
    emit wrote(bytes);
    return true;
}

void WireTap::takeIn()
{
    const QByteArray bytes = m_port.input();
    emit received(bytes);
    deliver(bytes);
}

} // namespace velnor::cli
