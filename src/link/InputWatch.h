#pragma once

#include "link/Exchange.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

namespace velnor {

class Panel;

// Reads the selected module's inputs again and again with the input exchange, each read over
// as soon as its answer is in: one read right after another, or one every interval. Each read
// holds the wait gate like any other; between reads a read that finds the gate held waits until it
// opens. Runs until stopped.
class InputWatch final : public QObject
{
    Q_OBJECT
public:
    explicit InputWatch(Panel& panel, QObject* parent = nullptr);
    ~InputWatch() override;

    // Reads the module at address. intervalMs 0 reads again as soon as a read ends; otherwise a
    // read starts every intervalMs, or as soon as the last one ended when that is later. False
    // when running.
    bool start(quint8 address, int intervalMs = 0);
    // Ends a read under way where it stands; nothing more is sent.
    void stop();
    bool isRunning() const { return m_running; }
    int intervalMs() const { return m_intervalMs; }

signals:
    // An answered read, with the inputs (0 to 7) whose state differs from the last answer's:
    // all of them at the first answer, which first says.
    void answered(const velnor::InputStates& states, const QList<int>& changed, bool first);
    void unanswered();
    void stopped();

private:
    void read();
    void exchangeEnded(const Exchange::Outcome& outcome);
    void exchangeFinished(bool completed);

    Panel& m_panel;
    QTimer m_next;
    QElapsedTimer m_sinceRead;
    std::optional<InputStates> m_last;
    int m_intervalMs = 0;
    quint8 m_address = 0;
    bool m_running = false;
    bool m_reading = false;
    bool m_awaitingGate = false;
};

} // namespace velnor
