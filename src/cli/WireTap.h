#pragma once

#include "link/SerialPort.h"

namespace velnor::cli {

// The port as the command line uses it: everything goes through to the real port, and every
// chunk written and received is also reported, for the monitor and for knowing how many bytes
// may still be on their way when the program ends.
class WireTap final : public SerialPort
{
    Q_OBJECT
public:
    explicit WireTap(SerialPort& port, QObject* parent = nullptr);

    void setCommPort(int number) override { m_port.setCommPort(number); }
    int commPort() const override { return m_port.commPort(); }
    void setSettings(const QString& settings) override { m_port.setSettings(settings); }
    QString settings() const override { return m_port.settings(); }

    bool portOpen() const override { return m_port.portOpen(); }
    bool setPortOpen(bool open) override;
    bool output(const QByteArray& bytes) override;
    QString errorString() const override { return m_port.errorString(); }

signals:
    void wrote(const QByteArray& bytes);
    void received(const QByteArray& bytes);

private:
    void takeIn();

    SerialPort& m_port;
};

} // namespace velnor::cli
