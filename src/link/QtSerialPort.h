#pragma once

#include "link/PortAdvice.h"
#include "link/PortLocator.h"
#include "link/SerialPort.h"
#include "shared/Wire.h"

#include <QSerialPort>

namespace velnor {

// The serial port on QSerialPort. The device is found through the port map, and is held
// exclusively (against other programs and the other window, root too) while open.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(PortMap ports, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(int number) override;
    int commPort() const override;
    void setSettings(const QString& settings) override;
    QString settings() const override;

    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    bool output(const QByteArray& bytes) override;
    QString errorString() const override;

    // Names the device itself instead of going by the port number; empty to go by the number
    // again. Takes effect at the next opening.
    void setDevice(const QString& path) { m_namedDevice = path; }
    // The device the port opens: the one named, else the one the port number stands for.
    QString devicePath() const;

private:
    bool openPort();
    bool lockExclusively();
    void closePort();
    void readAvailable();
    void handleError(QSerialPort::SerialPortError error);
    // "device: reason", and below it what the user can do about it.
    QString openFailure(PortAdvice::Cause cause, const QString& reason) const;

    PortMap m_ports;
    QSerialPort m_port;
    int m_commPort = 1;
    QString m_settings = wire::lineSettings(wire::FastSpeed);
    QString m_namedDevice;
    // The device as the settings name it, for messages; the port opens the resolved path.
    QString m_device;
    QString m_error;
    // Set while we close the port ourselves: the errors that closing reports are ours.
    bool m_closing = false;
};

} // namespace velnor
