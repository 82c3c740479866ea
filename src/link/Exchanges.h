#pragma once

#include "link/Exchange.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

namespace velnor {

class FrameLink;
class Receiver;
class TickSource;
class WaitGate;

// Runs a line's paced sequences from the event loop: each step sends its frame, then goes on
// once its ticks have passed, whether or not the answer came early (unless it ends on its
// answer). A run holds the wait gate from its first frame to the end of its last wait, so no
// click of either window comes in between, and tells the one who started it how each step and
// the whole run ended.
class Exchanges final : public QObject
{
    Q_OBJECT
public:
    // What the starter hears of its run. Each may be empty; none is called once the context
    // given to start() is gone.
    struct Run
    {
        // Just before step index goes out: whoever hears it may cancel the run.
        std::function<void(qsizetype index)> starting;
        // Step index went out (the bytes were written, or it sends none).
        std::function<void(qsizetype index)> sent;
        std::function<void(const Exchange::Outcome& outcome)> ended;
        // Every step ended (completed), or the run was cancelled; the gate is open again, and a
        // new run may start from here.
        std::function<void(bool completed)> finished;
    };

    // receiver: the line's, which reads the answers; none on a line that is only written to.
    Exchanges(FrameLink& link, TickSource& ticks, WaitGate& gate, Receiver* receiver = nullptr,
              QObject* parent = nullptr);
    ~Exchanges() override;

    // Starts the steps for context. False, with nothing sent, while the gate is closed.
    bool start(const QList<Exchange>& steps, QObject* context, Run run);
    bool isRunning() const { return m_running; }
    // Ends a running sequence where it stands: its wait stops and nothing more is sent.
    void cancel();

signals:
    // Every step's end, for a log of the line, once the run's own starter has heard it.
    void exchangeEnded(const velnor::Exchange::Outcome& outcome);
    // An answer that came while no step waited: too late for its own step, it still tells that
    // the module answers, which a deselect counts as the select's acknowledgement does.
    void answeredLate(const QByteArray& answer);

private:
    // Begins steps until one has ticks to wait for, or none is left.
    void runUntilWait();
    bool begin(const Exchange& step, qsizetype index);
    void tick();
    void answerIn(const QByteArray& answer);
    void finishCurrent();
    void endStep();
    void end(bool completed);

    FrameLink& m_link;
    TickSource& m_ticks;
    WaitGate& m_gate;
    Receiver* m_receiver;
    QList<Exchange> m_steps;
    qsizetype m_next = 0;
    Exchange m_current;
    qint16 m_ticksSeen = 0;
    bool m_answered = false;
    QByteArray m_answer;
    // Counts the steps begun, so an answer heard for one cannot end the next.
    quint64 m_begun = 0;
    quint64 m_runs = 0;
    bool m_running = false;
    QPointer<QObject> m_context;
    Run m_run;
};

} // namespace velnor
