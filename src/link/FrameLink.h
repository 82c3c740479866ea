#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace velnor {

struct Variables;
class SerialPort;
class MessageSink;
class TrafficMonitor;

// How the main window reaches a module: a frame from TxData (or a text) goes out byte by byte,
// the port opening on demand, with every byte shown on the traffic monitor's transmit line.
// It never waits: the exchanges that expect an answer wait from the event loop (Exchanges).
class FrameLink final : public QObject
{
    Q_OBJECT
public:
    static inline const QString kPortNotAvailable = QStringLiteral("SELECTED PORT NOT AVAILABLE!");

    FrameLink(Variables& vars, SerialPort& port, MessageSink& messages, TrafficMonitor& monitor,
              QObject* parent = nullptr);

    // Puts the frame into TxData and sends it. An empty frame (arguments out of range) is
    // not sent at all.
    void send(QByteArrayView frame);
    // Sends TxData[0..n-1]. A failure is shown to the user, never returned: the caller carries
    // on as if the frame had gone out and finds no answer.
    void SendFrame(qint16 n);
    // Sends TxText in one write, with the same failure rule as SendFrame; the transmit line
    // shows monitorText instead of hex.
    void SendText(const QString& monitorText);
    // Inside a send: the bytes the port gives up now came before the frame and are dropped.
    bool isDroppingStale() const { return m_droppingStale; }

signals:
    // The bytes that went out, a failed frame's first ones included.
    void frameSent(const QByteArray& bytes);

private:
    bool startExchange();
    void reportFailure(const QString& detail);

    Variables& m_vars;
    SerialPort& m_port;
    MessageSink& m_messages;
    TrafficMonitor& m_monitor;
    bool m_droppingStale = false;
};

} // namespace velnor
