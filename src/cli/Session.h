#pragma once

#include "cli/Command.h"
#include "cli/Commission.h"
#include "cli/ExitStatus.h"
#include "cli/MonitorLines.h"
#include "cli/PortFailures.h"
#include "link/Exchange.h"
#include "link/InputWatch.h"
#include "link/ModuleScan.h"
#include "link/Panel.h"
#include "link/SerialPort.h"
#include "shared/Wire.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTextStream>
#include <QTimer>

#include <memory>
#include <optional>

namespace velnor {
class IniFile;
class IniLock;
} // namespace velnor

namespace velnor::cli {

// One run of commands on one open port, through the panel's own assembly: the main window's
// frames, answers and 10-tick waits, and the configuration window's upload paced by 200 ms
// ticks, both on that port.
// The commands run one after the other from the application's event loop. Results go to the
// output stream; the run stops at the first command that fails and says why on the error
// stream; finished() gives the exit status once the line has carried the last byte.
class Session final : public QObject
{
    Q_OBJECT
public:
    static inline const QString kProgram = QStringLiteral("velnor-cli");
    static inline const QString kOutputLost =
        QStringLiteral("the result could not be written to standard output");

    Session(std::unique_ptr<SerialPort> port, const IniFile& settings, QTextStream& out,
            QTextStream& err, QObject* parent = nullptr);
    ~Session() override;

    // Opens the port and starts the first command. The commands are kept until the end.
    void start(const QList<Command>& commands);
    // After a signal: the command under way ends where it stands and nothing more is sent.
    void interrupt();
    bool isFinished() const { return m_finished; }

signals:
    void finished(velnor::cli::ExitStatus status);

private:
    // Runs commands until one waits, fails, or none is left.
    void runCommands();
    // The status of a command that needs no wait, or nothing when it waits (upload, exchanges).
    std::optional<ExitStatus> runOne(const Command& command);
    std::optional<ExitStatus> upload(const Command& command);
    std::optional<ExitStatus> save(const Command& command);
    // save with a setup to keep: the settings file's lock is waited for from the event loop,
    // before the store frame goes out, so that a signal while another program holds it ends
    // the run with nothing stored.
    std::optional<ExitStatus> saveWhenLocked();
    // Sends the store frame, then keeps the setup under lock, when given.
    ExitStatus store(const Command& command, const IniLock* lock);
    // Runs the exchange of the command under way.
    bool exchange(const Exchange& step);
    void exchangesFinished();
    void uploadEnded(bool completed);
    std::optional<ExitStatus> scan(const Command& command);
    void scanEnded(bool completed);
    std::optional<ExitStatus> watch(const Command& command);
    void watchAnswered(const InputStates& states, const QList<int>& changed);
    // It printed its lines, or a read failed.
    void endWatch(ExitStatus status);
    // The command under way ended with status: the next one starts, or the run ends.
    void commandEnded(ExitStatus status);
    void stopRun(ExitStatus status);
    void drainEnded();
    // Ok when the port took every byte and, where an answer was waited for, it came.
    ExitStatus judged(const Command& command, bool answered = true, const QString& otherwise = {});
    ExitStatus fail(ExitStatus status, const QString& what, const QString& why);
    // One line of states; a watch's begins with the time of the answer.
    void printInputs(const InputStates& states, bool json, const QString& time = {});
    void noteWritten(const QByteArray& bytes);
    void noteReceived(const QByteArray& bytes);
    void flushSent();

    const IniFile& m_settings;
    QTextStream& m_out;
    QTextStream& m_err;
    PortFailures m_failures;
    // Both windows' links on the one port.
    std::unique_ptr<Panel> m_panel;
    // The context of this session's own runs: gone before the panel, whose end cancels
    // them, so that no run reports to a session half taken apart.
    QObject m_runs;
    ModuleScan m_scan;
    InputWatch m_watch;
    std::unique_ptr<CommissionRun> m_commission;

    QList<Command> m_commands;
    qsizetype m_next = 0;
    ExitStatus m_status = ExitStatus::Ok;
    // How the exchange of the command under way ended.
    std::optional<Exchange::Outcome> m_outcome;
    // The module the commands selected, which a deselect and an input read address.
    Selection m_selection;
    // The lines the watch under way printed.
    int m_watchLines = 0;
    bool m_draining = false;
    bool m_interrupted = false;
    bool m_finished = false;
    bool m_monitoring = false;
    MonitorLines m_lines;
    // When the line will have carried every byte written, on m_clock.
    QElapsedTimer m_clock;
    qint64 m_lineFreeAtMs = 0;
    qint64 m_bitsPerSecond = wire::FastSpeed;
    // The last upload of this run, whose setup save keeps in the settings file.
    const Command* m_lastUpload = nullptr;
    // The next look at the settings file's lock, and when save stops waiting for it, on m_clock.
    QTimer m_lockWait;
    qint64 m_lockGivenUpAtMs = 0;
};

} // namespace velnor::cli
