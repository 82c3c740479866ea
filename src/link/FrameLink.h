#pragma once

#include <QObject>
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

    // Sends TxData[0..n-1]. A failure is shown to the user, never returned: the caller carries
    // on as if the frame had gone out and finds no answer.
    void SendFrame(qint16 n);
    // Sends TxText in one write, with the same monitor and failure rules as SendFrame.
    void SendText();
    // Returns after n ticks while events run; an early answer does not shorten it.
    void WaitTicks(qint16 n);

private:
    void startExchange();
    bool ensureOpen();
    void reportFailure(const QString& detail);

    Variables& m_vars;
    SerialPort& m_port;
    TickSource& m_ticks;
    MessageSink& m_messages;
    TrafficMonitor& m_monitor;
    int m_waitDepth = 0;
};

} // namespace velnor
