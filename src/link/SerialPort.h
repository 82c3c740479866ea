#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace velnor {

// One window's serial port as the panel uses it: a port number and settings text that take
// effect at the next opening, opening on demand, byte output, and a receive event raised once
// at least the receive threshold number of bytes is waiting. The waiting bytes are kept here,
// so bytes that arrive in pieces are never lost between events.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kReceiveBufferSize = 1024;

    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    // Port number 1 to 20; takes effect at the next opening.
    virtual void setCommPort(int number) = 0;
    virtual int commPort() const = 0;
    // "9600,n,8,1" and the like; checked at the next opening.
    virtual void setSettings(const QString& settings) = 0;
    virtual QString settings() const = 0;

    virtual bool portOpen() const = 0;
    // Opens (true) or closes (false). False when opening failed; errorString() says why.
    virtual bool setPortOpen(bool open) = 0;
    // Queues bytes for sending. False when the port is closed or the write failed.
    virtual bool output(const QByteArray& bytes) = 0;

    // The failure of the last open or output: device path and the system's reason,
    // for example "/dev/ttyUSB0: Permission denied".
    virtual QString errorString() const = 0;

    void setRThreshold(int threshold);
    int rThreshold() const { return m_threshold; }

    int inBufferCount() const { return int(m_received.size()); }
    // Every byte waiting, removed from the receive buffer.
    QByteArray input();

signals:
    void onComm();
    // Bytes input() took out of the receive buffer, whoever read them and whether or not they
    // were kept: what a log of the line must show as received.
    void inputTaken(const QByteArray& bytes);

protected:
    // Adapters hand every received chunk here; raises onComm when the threshold is reached.
    void deliver(const QByteArray& bytes);
    // Forgets waiting bytes, as a closed port holds none.
    void discardInput() { m_received.clear(); }

private:
    void raiseIfDue();

    QByteArray m_received;
    int m_threshold = 0;
};

} // namespace velnor
