#pragma once

#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "protocol/UploadPlan.h"

#include <QByteArrayView>
#include <QList>
#include <QObject>

namespace velnor {

class SerialPort;
class TickSource;
class MessageSink;
class WaitGate;

// The configuration window's line: its own port, only ever written to, and its own tick that
// paces an upload. An upload is a run of the line's runner, one tick after each step that asks
// for a wait; the wait gate stays closed from its first frame to its last, so no click of
// either window runs in between, and stop() ends it where it stands.
class ConfigLink final : public QObject
{
    Q_OBJECT
public:
    // The pace of an upload: long enough for the longest burst to leave the line at 4800 bit/s.
    static constexpr int kTickMs = 200;

    ConfigLink(SerialPort& port, TickSource& ticks, MessageSink& messages, WaitGate& gate,
               QObject* parent = nullptr);

    // Byte by byte, or a text in one write, opening the port if needed. A failure is shown
    // once and makes it false; the bytes not yet written are dropped.
    bool sendFrame(QByteArrayView frame) { return m_frames.send(frame); }
    bool sendText(QByteArrayView text) { return m_frames.sendText(text); }

    // What the one who starts an upload hears of it; each may be empty, and none is called once
    // the context given to start() is gone.
    struct Upload
    {
        // A box was filled out just before its step went out.
        std::function<void(int field, const QString& text)> filled;
        // Step number sent (counted from 1) of the plan's total went out.
        std::function<void(int sent, int total)> stepSent;
        // Every step went out, or it stopped (a failed send, or stop()).
        std::function<void(bool completed)> finished;
    };

    // Starts walking the plan for context. False, with nothing sent, while a wait of either
    // window runs.
    bool start(const QList<UploadStep>& steps, QObject* context, Upload upload);
    bool isRunning() const { return m_runner.isRunning(); }
    // Ends a running upload: nothing more is sent.
    void stop() { m_runner.cancel(); }

signals:
    // For those who only watch the line (its log, a screenshot), after the starter heard it.
    // Step number sent (counted from 1) of the plan's total went out.
    void stepSent(int sent, int total);
    // The upload ended: every step went out, or it stopped (a failed send, or stop()).
    void finished(bool completed);
    // The bytes that went out, a failed frame's first ones included.
    void frameSent(const QByteArray& bytes);

private:
    FrameLink m_frames;
    Exchanges m_runner;
};

} // namespace velnor
