#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <chrono>

namespace velnor::test {

// A pseudo-terminal pair for tests: the code under test opens slavePath() as its serial port,
// the test plays the far end through the master side. Both sides start in raw mode, so every
// byte value passes unchanged and nothing is echoed. The slave side is held open as well, so
// the terminal survives the port under test closing and reopening.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool isOpen() const { return m_master >= 0; }
    // Why the pair could not be created.
    const QString& errorString() const { return m_error; }
    const QString& slavePath() const { return m_slavePath; }
    // The far end itself, for a test that plays it from a thread of its own.
    int masterFd() const { return m_master; }

    // Both run the event loop while they wait, so that code under test in this thread can read
    // and send. write() is false when the bytes are still not all taken at the timeout; read()
    // returns what came by then, possibly less than count.
    bool write(QByteArrayView bytes, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    QByteArray read(qsizetype count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Hangs up: the far end goes away, as when a cable is pulled or the emulator quits.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
};

} // namespace velnor::test
