#include "link/Receiver.h"

#include "link/SerialPort.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"
#include "shared/Wire.h"

#include <utility>

namespace velnor {

Receiver::Receiver(Variables& vars, SerialPort& port, TrafficMonitor& monitor, QObject* parent)
    : QObject(parent), m_vars(vars), m_port(port), m_monitor(monitor)
{
    connect(&m_port, &SerialPort::onComm, this, &Receiver::handleComm);
}

void Receiver::handleComm()
{
    if (m_port.commEvent() != SerialPort::ComEvReceive)
        return;

    const bool inputAnswer = m_port.rThreshold() == wire::InputAnswerLength;
    const int needed = inputAnswer ? wire::InputAnswerLength : wire::AcknowledgementLength;
    // Fewer bytes than the answer needs stay in the port until the rest arrives.
    if (m_port.inBufferCount() < needed)
        return;

    m_reading = true;
    const QByteArray rx = m_port.input();
    m_reading = false;
    const auto byteAt = [&rx](int i) { return static_cast<quint8>(rx.at(i)); };

    const bool answered = byteAt(0) == wire::Answer && byteAt(1) == m_vars.DeviceAddr;
    if (answered)
        m_vars.RxFlag = -1;
    if (inputAnswer) {
        m_vars.InputBits1 = byteAt(2);
        m_vars.InputBits2 = byteAt(3);
    }
    // An answer shows without what came after it in the same read; bytes that make no answer
    // show whole.
    m_monitor.appendRx(answered || inputAnswer ? QByteArrayView(rx).first(needed)
                                               : QByteArrayView(rx));
    emit bytesReceived(rx, answered ? needed : 0);
    if (answered)
        emit answerIn();
}

} // namespace velnor
