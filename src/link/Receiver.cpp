#include "link/Receiver.h"

#include "link/SerialPort.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"
#include "shared/Wire.h"

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

    const QByteArray rx = m_port.input();
    emit bytesReceived(rx);
    const auto byteAt = [&rx](int i) { return static_cast<quint8>(rx.at(i)); };

    int shown = 0;
    if (byteAt(0) == wire::Answer && byteAt(1) == m_vars.DeviceAddr) {
        m_vars.RxFlag = -1;
        m_monitor.appendRx(QByteArrayView(rx).first(wire::AcknowledgementLength));
        shown = wire::AcknowledgementLength;
    }
    if (inputAnswer) {
        m_vars.InputBits1 = byteAt(2);
        m_vars.InputBits2 = byteAt(3);
        m_monitor.appendRx(QByteArrayView(rx).sliced(shown, wire::InputAnswerLength - shown));
    }
}

} // namespace velnor
