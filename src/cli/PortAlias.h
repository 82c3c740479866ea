#pragma once

#include "link/SerialPort.h"

namespace velnor::cli {

// The configuration window's port on the command line: the one open port under a second name,
// so that the upload goes out on the line the other commands use. Settings, opening and writes
// go to that port; what the line carries back is read there alone.
class PortAlias final : public SerialPort
{
    Q_OBJECT
public:
    explicit PortAlias(SerialPort& port, QObject* parent = nullptr)
        : SerialPort(parent), m_port(port)
    {
    }

    void setCommPort(int number) override { m_port.setCommPort(number); }
    int commPort() const override { return m_port.commPort(); }
    void setSettings(const QString& settings) override { m_port.setSettings(settings); }
    QString settings() const override { return m_port.settings(); }
    bool portOpen() const override { return m_port.portOpen(); }
    bool setPortOpen(bool open) override { return m_port.setPortOpen(open); }
    bool output(const QByteArray& bytes) override { return m_port.output(bytes); }
    QString errorString() const override { return m_port.errorString(); }

private:
    SerialPort& m_port;
};

} // namespace velnor::cli
