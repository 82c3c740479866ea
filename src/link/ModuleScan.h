#pragma once

#include "link/Exchange.h"
#include "link/ScanResult.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace velnor {

class Panel;

// Finds the modules on the main window's line: selects every address a module can have in
// turn, each with the select exchange and its wait (cut short once the acknowledgement is in),
// and judges what came back during that wait; an address that gave anything back is deselected
// before the next is tried. With both speeds it then does the same at the other speed, and puts
// the port's own speed back after. The whole search holds the wait gate, so no click comes in
// between, and nothing else is sent.
class ModuleScan final : public QObject
{
    Q_OBJECT
public:
    explicit ModuleScan(Panel& panel, QObject* parent = nullptr);
    ~ModuleScan() override;

    // The speed searched after the port's own: 4800 for a port at 9600, else 9600.
    static int otherSpeed(int baud);

    // False, with nothing sent, while a wait runs or a search is under way.
    bool start(bool bothSpeeds = false);
    // Stops where it stands: a module the search may have selected is deselected, nothing
    // more is sent, and the result keeps what was judged.
    void cancel();
    bool isRunning() const { return m_running; }

    const ScanResult& result() const { return m_result; }
    // The bytes that came back while the address waited at that speed (empty when silent).
    QByteArray heard(int baud, quint8 address) const;
    // Selects in the whole search: one per address at each speed.
    int total() const { return int(m_speeds.size()) * kAddresses; }

    static constexpr int kAddresses = 32;

signals:
    // A select is about to go out: step (from 1) of total(), at baud, for address.
    void progress(int step, int total, int baud, quint8 address);
    void judged(int baud, quint8 address, velnor::Reply reply);
    // The search ended: completed, or cancelled; result() holds what it found.
    void finished(bool completed);

private:
    // Starts the step of the search; false when the line is busy and the search ended.
    bool run(const Exchange& step);
    void exchangeEnded(const Exchange::Outcome& outcome);
    void exchangeFinished(bool completed);
    void selectNext();
    void useSpeed(int baud);
    void end(bool completed);

    Panel& m_panel;
    ScanResult m_result;
    QList<int> m_speeds;
    QList<QByteArray> m_heard;
    qsizetype m_pass = 0;
    quint8 m_address = 0;
    int m_step = 0;
    bool m_running = false;
    // Set while an exchange of the search runs, so the exchanges of others are left alone.
    bool m_inExchange = false;
    // A select went out and no deselect since: a module may still be selected.
    bool m_deselectDue = false;
    QByteArray m_received;
    QString m_portSettings;
};

} // namespace velnor
