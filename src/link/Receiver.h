#pragma once

#include <QObject>

namespace velnor {

struct Variables;
class SerialPort;
class TrafficMonitor;

// Reads what the modules send to the main window's port: an acknowledgement EE aa from the
// selected address sets RxFlag; with the threshold at 4 the two bytes after the header carry
// the input states. A recognised answer goes to the monitor's receive line as it is; bytes
// that make none go there whole, so that what garbled an exchange can be seen.
class Receiver final : public QObject
{
    Q_OBJECT
public:
    Receiver(Variables& vars, SerialPort& port, TrafficMonitor& monitor,
             QObject* parent = nullptr);

    void handleComm();
    // Inside handleComm: the bytes the port gives up now are this receiver's read.
    bool isReading() const { return m_reading; }

signals:
    // Every byte read in one receive event; answerLength of them at its start are the answer
    // taken from the selected module (0 when the header did not match).
    void bytesReceived(const QByteArray& bytes, int answerLength);
    // The whole answer from the selected module is in; heard after bytesReceived.
    void answerIn();

private:
    Variables& m_vars;
    SerialPort& m_port;
    TrafficMonitor& m_monitor;
    bool m_reading = false;
};

} // namespace velnor
