#pragma once

#include "link/Exchange.h"

#include <QList>
#include <QObject>

namespace velnor {

struct Variables;
class FrameLink;
class SerialPort;
class TickSource;
class WaitGate;

// Runs the main window's exchanges from the event loop: each one sends its frame, then goes on
// once its ticks have passed, whether or not the answer came early (unless it ends on its
// answer), and reports how it ended.
// A sequence runs one exchange after another and holds the wait gate from its first frame to
// the end of its last wait, so no click of either window comes in between.
class Exchanges final : public QObject
{
    Q_OBJECT
public:
    Exchanges(Variables& vars, FrameLink& link, SerialPort& port, TickSource& ticks,
              WaitGate& gate, QObject* parent = nullptr);
    ~Exchanges() override;

    // Starts the sequence for its owner, whom the signals name, so that each user of the one
    // runner hears its own outcomes only. False, with nothing sent, while the gate is closed.
    bool start(const QList<Exchange>& sequence, const QObject* owner);
    bool start(const Exchange& exchange, const QObject* owner)
    {
        return start(QList<Exchange>{exchange}, owner);
    }
    bool isRunning() const { return m_running; }
    // Ends a running sequence where it stands: its wait stops and nothing more is sent.
    void cancel();

    // The broadcast frames expect no answer and go out at once.
    void broadcast(bool on);
    // The receiver took the whole answer the running exchange waits for. One that ends on its
    // answer then ends from the event loop, never from inside the receive event; the others
    // wait their ticks out.
    void answerIn();

signals:
    // The sequence still runs while this is heard: a new one starts from finished().
    void exchangeEnded(const velnor::Exchange::Outcome& outcome, const QObject* owner);
    // Every exchange ended (completed), or the sequence was cancelled; the gate is open again.
    void finished(bool completed, const QObject* owner);

private:
    // Begins exchanges until one has ticks to wait for, or none is left.
    void runUntilWait();
    void begin(const Exchange& exchange);
    void tick();
    void finishCurrent();
    void endExchange();
    void end(bool completed);

    Variables& m_vars;
    FrameLink& m_link;
    SerialPort& m_port;
    TickSource& m_ticks;
    WaitGate& m_gate;
    QList<Exchange> m_sequence;
    qsizetype m_next = 0;
    Exchange m_current;
    qint16 m_ticksSeen = 0;
    // Counts the exchanges begun, so an answer heard for one cannot end the next.
    quint64 m_begun = 0;
    bool m_running = false;
    const QObject* m_owner = nullptr;
};

} // namespace velnor
