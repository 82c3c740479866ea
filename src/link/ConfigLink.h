#pragma once

#include "protocol/UploadPlan.h"

#include <QByteArrayView>
#include <QList>
#include <QObject>

namespace velnor {

struct Variables;
class SerialPort;
class TickSource;
class MessageSink;
class WaitGate;

// The configuration window's line: its own port, only ever written to, and its own tick that
// paces an upload. An upload is walked from the event loop, one tick after each step that asks
// for a wait; the wait gate stays closed from its first frame to its last, so no click of
// either window runs in between, and stop() ends it where it stands.
class ConfigLink final : public QObject
{
    Q_OBJECT
public:
    // The pace of an upload: long enough for the longest burst to leave the line at 4800 bit/s.
    static constexpr int kTickMs = 200;

    ConfigLink(Variables& vars, SerialPort& port, TickSource& ticks, MessageSink& messages,
               WaitGate& gate, QObject* parent = nullptr);
    ~ConfigLink() override;

    // Sends TxData[0..n-1] one byte a write, opening the port if needed. A failure is shown
    // once and makes it false; the bytes not yet written are dropped.
    bool SendConfigFrame(qint16 n);
    // Sends TxText in one write, with the same failure rule.
    bool SendConfigText();
    // The same for a frame put into TxData, or a text put into TxText.
    bool sendFrame(QByteArrayView frame);
    bool sendText(QByteArrayView text);

    // Starts walking the plan. False, with nothing sent, while a wait of either window runs.
    bool start(QList<UploadStep> steps);
    bool isRunning() const { return m_running; }
    // Ends a running upload: nothing more is sent.
    void stop();

signals:
    // A box was filled out just before its step went out.
    void filled(int field, const QString& text);
    // Step number sent (counted from 1) of the plan's total went out.
    void stepSent(int sent, int total);
    // The upload ended: every step went out, or it stopped (a failed send, or stop()).
    void finished(bool completed);
    // The bytes that went out, a failed frame's first ones included.
    void frameSent(const QByteArray& bytes);

private:
    void runUntilWait();
    void WaitConfigTick();
    void tick();
    void end(bool completed);

    Variables& m_vars;
    SerialPort& m_port;
    TickSource& m_ticks;
    MessageSink& m_messages;
    WaitGate& m_gate;
    QList<UploadStep> m_steps;
    qsizetype m_next = 0;
    bool m_running = false;
};

} // namespace velnor
