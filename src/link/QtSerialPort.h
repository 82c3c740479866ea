#pragma once

#include "link/SerialPort.h"

#include <QSerialPort>

namespace velnor {

class IniFile;

// The serial port on QSerialPort. The device is found through the settings file's "Ports"
// section, and is held exclusively (against other programs and the other window, root too)
// while open.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(const IniFile& settings, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(int number) override;
    int commPort() const override;
    void setSettings(const QString& settings) override;
    QString settings() const override;

    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    bool output(const QByteArray& bytes) override;
    QString errorString() const override;

    // The device the current port number stands for.
    QString devicePath() const;

private:
    // Implementation is the adapter author's; kept private.
    struct Impl;
    Impl* d;
};

} // namespace velnor
