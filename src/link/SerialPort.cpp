#include "link/SerialPort.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

namespace velnor {

SerialPort::SerialPort(QObject* parent) : QObject(parent) {}

SerialPort::~SerialPort() = default;

void SerialPort::setRThreshold(int threshold)
{
    m_threshold = threshold;
    // Bytes already waiting may reach a lowered threshold. The event comes from the event
    // loop, never from inside the command that changed the threshold.
    if (m_threshold > 0 && m_received.size() >= m_threshold)
        QMetaObject::invokeMethod(this, &SerialPort::raiseIfDue, Qt::QueuedConnection);
}

QByteArray SerialPort::input()
{
    QByteArray taken = std::exchange(m_received, {});
    if (!taken.isEmpty())
        emit inputTaken(taken);
    return taken;
}

void SerialPort::deliver(const QByteArray& bytes)
{
    // Like a hardware receive buffer, this one is finite: bytes that nobody reads (a port
    // that is only written to, or a line that chatters) are dropped once it is full.
    // A large chunk is taken in as much as fits at a time, so a handler that reads on each
    // event loses none of it.
    QByteArrayView rest(bytes);
    while (!rest.isEmpty()) {
        const qsizetype room = kReceiveBufferSize - m_received.size();
        if (room <= 0)
            return;
        const qsizetype taken = std::min(room, rest.size());
        m_received.append(rest.first(taken));
        rest = rest.sliced(taken);
        raiseIfDue();
    }
}

void SerialPort::raiseIfDue()
{
    // A threshold of 0 means no receive events at all, as on a port that is only written to.
    if (m_threshold <= 0 || m_received.size() < m_threshold)
        return;
    emit onComm();
}

} // namespace velnor
