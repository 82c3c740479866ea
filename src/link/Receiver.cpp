#include "link/Receiver.h"

#include "link/SerialPort.h"
#include "link/TrafficMonitor.h"
#include "shared/Wire.h"

#include <QMetaObject>

namespace velnor {

Receiver::Receiver(SerialPort& port, TrafficMonitor& monitor, QObject* parent)
    : QObject(parent), m_port(port), m_monitor(monitor), m_length(wire::AcknowledgementLength)
{
    // Every chunk raises an event; an answer is taken once it is whole.
    m_port.setRThreshold(1);
    connect(&m_port, &SerialPort::onComm, this, &Receiver::handleComm);
}

void Receiver::expect(quint8 address, int length)
{
    const bool shorter = length < m_length;
    m_address = address;
    m_length = length;
    // Bytes already waiting may make a shorter answer whole. They are read from the event
    // loop, never from inside the step that changed what is awaited.
    if (shorter && m_port.inBufferCount() >= m_length)
        QMetaObject::invokeMethod(this, &Receiver::handleComm, Qt::QueuedConnection);
}

void Receiver::handleComm()
{
    const int needed = m_length;
    const bool inputAnswer = needed == wire::InputAnswerLength;
    // Fewer bytes than the answer needs stay in the port until the rest arrives.
    if (m_port.inBufferCount() < needed)
        return;

    m_reading = true;
    const QByteArray rx = m_port.input();
    m_reading = false;
    const auto byteAt = [&rx](int i) { return static_cast<quint8>(rx.at(i)); };

    const bool answered = byteAt(0) == wire::Answer && byteAt(1) == m_address;
    // An answer shows without what came after it in the same read; bytes that make no answer
    // show whole.
    const QByteArrayView shown =
        answered || inputAnswer ? QByteArrayView(rx).first(needed) : QByteArrayView(rx);
    m_monitor.appendRx(shown);
    emit bytesReceived(rx, answered ? needed : 0);
    if (answered)
        emit answerIn(rx.first(needed));
}

} // namespace velnor
