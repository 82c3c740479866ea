#pragma once

#include <QObject>

namespace velnor {

class SerialPort;
class TrafficMonitor;

// Reads what the modules send to the main window's port: an acknowledgement EE aa from the
// address awaited, or while an input read waits, four bytes whose two after the header carry
// the input states. A recognised answer goes to the monitor's receive line as it is; bytes
// that make none go there whole, so that what garbled an exchange can be seen.
class Receiver final : public QObject
{
    Q_OBJECT
public:
    Receiver(SerialPort& port, TrafficMonitor& monitor, QObject* parent = nullptr);

    // The answer to await from now on: its sender and its length in bytes.
    void expect(quint8 address, int length);
    quint8 expectedAddress() const { return m_address; }

    void handleComm();
    // Inside handleComm: the bytes the port gives up now are this receiver's read.
    bool isReading() const { return m_reading; }

signals:
    // Every byte read in one receive event; answerLength of them at its start are the answer
    // taken from the awaited module (0 when the header did not match).
    void bytesReceived(const QByteArray& bytes, int answerLength);
    // The whole answer from the awaited module is in; heard after bytesReceived.
    void answerIn(const QByteArray& answer);

private:
    SerialPort& m_port;
    TrafficMonitor& m_monitor;
    quint8 m_address = 0;
    int m_length;
    bool m_reading = false;
};

} // namespace velnor
