#pragma once

#include <QObject>

namespace velnor {

struct Variables;
class SerialPort;
class TrafficMonitor;

// Reads what the modules send to the main window's port: an acknowledgement EE aa from the
// selected address sets RxFlag; with the threshold at 4 the two bytes after the header carry
// the input states. Recognised bytes go to the monitor's receive line; everything else is
// dropped.
class Receiver final : public QObject
{
    Q_OBJECT
public:
    Receiver(Variables& vars, SerialPort& port, TrafficMonitor& monitor,
             QObject* parent = nullptr);

    void handleComm();

signals:
    // Every byte read in one receive event, recognised or not.
    void bytesReceived(const QByteArray& bytes);

private:
    Variables& m_vars;
    SerialPort& m_port;
    TrafficMonitor& m_monitor;
};

} // namespace velnor
