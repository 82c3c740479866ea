#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace velnor {

struct Variables;
class SerialPort;
class TickSource;
class MessageSink;
class TrafficMonitor;

// How the main window reaches a module: a frame from TxData (or a text) goes out byte by byte,
// the port opening on demand, with every byte shown on the traffic monitor's transmit line;
// a wait counts ticks while events, answers among them, keep running.
class FrameLink final : public QObject
{
    Q_OBJECT
public:
    static inline const QString kPortNotAvailable = QStringLiteral("SELECTED PORT NOT AVAILABLE!");

    FrameLink(Variables& vars, SerialPort& port, TickSource& ticks, MessageSink& messages,
              TrafficMonitor& monitor, QObject* parent = nullptr);

    // Puts the frame into TxData and sends it. An empty frame (arguments out of range) is
    // not sent at all.
    void send(QByteArrayView frame);
    // Sends TxData[0..n-1]. A failure is shown to the user, never returned: the caller carries
    // on as if the frame had gone out and finds no answer.
    void SendFrame(qint16 n);
    // Sends TxText in one write, with the same failure rule as SendFrame; the transmit line
    // shows monitorText instead of hex.
    void SendText(const QString& monitorText);
    // Returns after n ticks while events run; an early answer does not shorten it. A wait
    // asked for while another runs returns at once: it would hold the running one up.
    void WaitTicks(qint16 n);

private:
    bool startExchange();
    void reportFailure(const QString& detail);

    Variables& m_vars;
    SerialPort& m_port;
    TickSource& m_ticks;
    MessageSink& m_messages;
    TrafficMonitor& m_monitor;
};

} // namespace velnor
