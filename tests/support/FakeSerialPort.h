#pragma once

#include "link/SerialPort.h"

#include <QByteArrayList>

#include <functional>

namespace velnor::test {

// A serial port in memory: records every write, can refuse to open or to write, and takes
// received bytes from the test. A peer callback sees each write and may answer.
class FakeSerialPort final : public SerialPort
{
    Q_OBJECT
public:
    using SerialPort::SerialPort;

    void setCommPort(int number) override { m_commPort = number; }
    int commPort() const override { return m_commPort; }
    void setSettings(const QString& settings) override { m_settings = settings; }
    QString settings() const override { return m_settings; }

    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    bool output(const QByteArray& bytes) override;
    QString errorString() const override { return m_error; }

    // Bytes arriving from the line.
    void feed(const QByteArray& bytes) { deliver(bytes); }

    // Every output() call in order, and how often the port was opened and closed.
    QByteArrayList writes;
    int opens = 0;
    int closes = 0;
    // Settings and port number the last successful open used.
    QString openedSettings;
    int openedPort = 0;

    bool refuseOpen = false;
    // Writes fail from this many successful writes on (-1: never).
    int failWritesAfter = -1;
    QString failureReason = QStringLiteral("/dev/fake: No such file or directory");
    // Sees each write; answers through feed(), typically from a posted event.
    std::function<void(const QByteArray&)> peer;

    QByteArray written() const { return writes.join(); }

    // Bytes arriving once the event loop turns, as a line answers after the write that asked.
    void feedLater(const QByteArray& bytes);
    // The modules on the line as a script: each write gets the reply the script gives for it
    // (none when empty), once the event loop turns, as a line answers after the write.
    void answerWith(std::function<QByteArray(const QByteArray& written)> script);
    // Answers every write equal to written with reply.
    void answer(const QByteArray& written, const QByteArray& reply);

private:
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    bool m_open = false;
    QString m_error;
};

} // namespace velnor::test
