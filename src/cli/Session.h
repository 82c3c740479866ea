#pragma once

#include "cli/Command.h"
#include "cli/ExitStatus.h"
#include "cli/PortFailures.h"
#include "cli/WireTap.h"
#include "link/ConfigLink.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "link/QtTickSource.h"
#include "link/Receiver.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTextStream>

namespace velnor {
class IniFile;
}

namespace velnor::cli {

// One run of commands on one open port, through the panel's own link: the main window's frames,
// answers and 10-tick waits, and the configuration window's upload paced by 200 ms ticks.
// Results go to the output stream; the run stops at the first command that fails and says why
// on the error stream.
class Session final : public QObject
{
    Q_OBJECT
public:
    static inline const QString kProgram = QStringLiteral("velnor-cli");

    Session(SerialPort& port, const IniFile& settings, QTextStream& out, QTextStream& err,
            QObject* parent = nullptr);

    ExitStatus run(const QList<Command>& commands);

private:
    ExitStatus runOne(const Command& command);
    ExitStatus upload(const Command& command);
    ExitStatus save(const Command& command);
    // Ok when the port took every byte and, where an answer was waited for, it came.
    ExitStatus judged(const Command& command, bool answered = true, const QString& otherwise = {});
    ExitStatus fail(ExitStatus status, const QString& what, const QString& why);
    void printInputs(const InputStates& states, bool json);
    void noteWritten(const QByteArray& bytes);
    void noteReceived(const QByteArray& bytes);
    void flushSent();
    void drain();

    const IniFile& m_settings;
    QTextStream& m_out;
    QTextStream& m_err;
    Variables m_vars;
    WireTap m_tap;
    TrafficMonitor m_monitor;
    QtTickSource m_ticks;
    QtTickSource m_configTicks;
    PortFailures m_failures;
    FrameLink m_link;
    Exchanges m_exchanges;
    Receiver m_receiver;
    ConfigLink m_config;

    bool m_monitoring = false;
    // Bytes written since the monitor last printed them: one line for each run of writes
    // that no wait interrupts.
    QByteArray m_sent;
    // When the line will have carried every byte written, on m_clock.
    QElapsedTimer m_clock;
    qint64 m_lineFreeAtMs = 0;
    qint64 m_bitsPerSecond = 9600;
    // The last upload of this run, whose setup save keeps in the settings file.
    const Command* m_lastUpload = nullptr;
};

} // namespace velnor::cli
