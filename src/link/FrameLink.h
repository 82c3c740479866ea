#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace velnor {

class SerialPort;
class MessageSink;
class TrafficMonitor;

// How a window reaches the modules: a frame goes out byte by byte, a text in one write, the
// port opening on demand. On the main window's line every byte shows on the traffic monitor's
// transmit line. It never waits: the steps that expect an answer wait in the runner.
class FrameLink final : public QObject
{
    Q_OBJECT
public:
    static inline const QString kPortNotAvailable = QStringLiteral("SELECTED PORT NOT AVAILABLE!");

    // monitor: none on a line that is only written to, which neither shows nor reads anything.
    FrameLink(SerialPort& port, MessageSink& messages, TrafficMonitor* monitor,
              QObject* parent = nullptr);

    // A failure is shown to the user once and makes it false; the bytes not yet written are
    // dropped. An empty frame (arguments out of range) is not sent at all.
    bool send(QByteArrayView frame);
    // The transmit line shows monitorText instead of hex.
    bool sendText(QByteArrayView text, const QString& monitorText = {});
    // Inside a send: the bytes the port gives up now came before the frame and are dropped.
    bool isDroppingStale() const { return m_droppingStale; }

signals:
    // The bytes that went out, a failed frame's first ones included.
    void frameSent(const QByteArray& bytes);

private:
    bool startSend();
    bool fail();

    SerialPort& m_port;
    MessageSink& m_messages;
    TrafficMonitor* m_monitor;
    bool m_droppingStale = false;
};

} // namespace velnor
