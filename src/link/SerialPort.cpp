#include "link/SerialPort.h"

#include <utility>

namespace velnor {

SerialPort::SerialPort(QObject* parent) : QObject(parent) {}

SerialPort::~SerialPort() = default;

void SerialPort::setRThreshold(int threshold)
{
    m_threshold = threshold;
}

QByteArray SerialPort::input()
{
    return std::exchange(m_received, {});
}

void SerialPort::deliver(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    m_received.append(bytes);
    raiseIfDue();
}

void SerialPort::raiseIfDue()
{
    // A threshold of 0 means no receive events at all, as on a port that is only written to.
    if (m_threshold <= 0 || m_received.size() < m_threshold)
        return;
    m_commEvent = ComEvReceive;
    emit onComm();
    m_commEvent = NoEvent;
}

} // namespace velnor
