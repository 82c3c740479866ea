#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

namespace velnor {

// A settings text such as "9600,n,8,1": speed, parity letter (n, e, o, m, s), data bits 5 to 8
// and stop bits 1, 1.5 or 2.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // nullopt for a text that is not of that form; *reason then says what is wrong.
    static std::optional<LineSettings> parse(const QString& text, QString* reason = nullptr);
};

} // namespace velnor
