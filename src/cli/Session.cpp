#include "cli/Session.h"

#include "cli/PortsReport.h"
#include "cli/ScanReport.h"
#include "link/LineSettings.h"
#include "link/QtTickSource.h"
#include "shared/Formats.h"
#include "shared/Wire.h"
#include "protocol/Frames.h"
#include "protocol/SafeText.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"
#include "system/StandardStreams.h"

#include <QDateTime>
#include <QFileDevice>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {
const QString kDeviceNotFound = u"Device Not Found"_s;
const QString kNoResponse = u"No Response"_s;

// The panel on the one port of the command line: both windows' links write to it.
std::unique_ptr<Panel> panelOn(std::unique_ptr<SerialPort> port, MessageSink& failures)
{
    return std::make_unique<Panel>(
        failures, Panel::Line{std::move(port), std::make_unique<QtTickSource>()},
        Panel::Line{nullptr, std::make_unique<QtTickSource>(ConfigLink::kTickMs)});
}

} // namespace

Session::Session(std::unique_ptr<SerialPort> port, const IniFile& settings, QTextStream& out,
                 QTextStream& err, QObject* parent)
    : QObject(parent), m_settings(settings), m_out(out), m_err(err),
      m_panel(panelOn(std::move(port), m_failures)), m_scan(*m_panel), m_watch(*m_panel),
      m_lines(out)
{
    SerialPort& line = m_panel->port();
    // What either link wrote, and every byte taken from the port, whoever read it.
    connect(&m_panel->link(), &FrameLink::frameSent, this, &Session::noteWritten);
    connect(&m_panel->configLink(), &ConfigLink::frameSent, this, &Session::noteWritten);
    connect(&line, &SerialPort::inputTaken, this, &Session::noteReceived);
    // Whoever reads the selected module's inputs, the watch too, learns again whether it
    // answers, which is what a deselect then counts.
    connect(&m_panel->exchanges(), &Exchanges::exchangeEnded, this,
            [this](const Exchange::Outcome& outcome) {
                if (outcome.kind == Exchange::Kind::ReadInputs)
                    m_selection = heard(m_selection, outcome);
            });
    connect(&m_scan, &ModuleScan::finished, this, &Session::scanEnded);
    connect(&m_watch, &InputWatch::answered, this, &Session::watchAnswered);
    connect(&m_watch, &InputWatch::unanswered, this,
            [this] { endWatch(judged(m_commands.at(m_next - 1), false, kNoResponse)); });
    m_lockWait.setSingleShot(true);
    m_lockWait.setInterval(20);
    connect(&m_lockWait, &QTimer::timeout, this, [this] {
        if (const std::optional<ExitStatus> status = saveWhenLocked())
            commandEnded(*status);
    });
    m_clock.start();
}

Session::~Session()
{
    // The watch, the search and the panel end what they run as they go, and say so: nothing
    // here hears it any more.
    for (const QObject* sender : std::initializer_list<const QObject*>{
             &m_panel->exchanges(), &m_panel->configLink(), &m_scan, &m_watch})
        disconnect(sender, nullptr, this, nullptr);
}

void Session::start(const QList<Command>& commands)
{
    if (const auto line = LineSettings::parse(m_panel->port().settings()))
        m_bitsPerSecond = line->baudRate;
    m_commands = commands;
    m_next = 0;
    // A command line that only looks, such as ports alone, runs with the port missing or held.
    const bool usePort = std::any_of(commands.begin(), commands.end(), [](const Command& c) {
        return c.kind != Command::Kind::Ports;
    });
    SerialPort& port = m_panel->port();
    if (usePort && !port.portOpen() && !port.setPortOpen(true)) {
        m_finished = true;
        emit finished(
            fail(ExitStatus::PortNotAvailable, {},
                 PortFailures::describe(FrameLink::kPortNotAvailable, port.errorString())));
        return;
    }
    runCommands();
}

void Session::interrupt()
{
    if (m_interrupted || m_finished)
        return;
    m_interrupted = true;
    if (m_draining) {
        // The run had ended already; it just does not wait for the line any more.
        m_panel->exchanges().cancel();
        return;
    }
    // A watch between two reads, and a save waiting for the settings file, wait on timers of
    // their own, not on an exchange.
    m_watch.stop();
    m_lockWait.stop();
    m_commission.reset();
    m_scan.cancel();
    m_panel->exchanges().cancel();
    m_panel->configLink().stop();
    flushSent();
    const QString what = m_next > 0 ? m_commands.at(m_next - 1).typed() : QString();
    stopRun(fail(ExitStatus::Interrupted, what, u"interrupted"_s));
}

void Session::runCommands()
{
    while (!m_interrupted && m_next < m_commands.size()) {
        const std::optional<ExitStatus> status = runOne(m_commands.at(m_next++));
        if (!status)
            return; // its wait goes on from the event loop
        flushSent();
        if (*status != ExitStatus::Ok) {
            stopRun(*status);
            return;
        }
    }
    if (!m_interrupted)
        stopRun(ExitStatus::Ok);
}

void Session::commandEnded(ExitStatus status)
{
    if (m_interrupted)
        return;
    flushSent();
    if (status != ExitStatus::Ok) {
        stopRun(status);
        return;
    }
    runCommands();
}

std::optional<ExitStatus> Session::runOne(const Command& command)
{
    using Kind = Command::Kind;
    switch (command.kind) {
    case Kind::Select:
        exchange(Exchange::select(quint8(command.address)));
        return std::nullopt;
    case Kind::Deselect:
        exchange(Exchange::deselect(m_selection));
        return std::nullopt;
    case Kind::Inputs:
        exchange(Exchange::readInputs(m_selection.address));
        return std::nullopt;
    case Kind::Broadcast:
        m_panel->link().send(command.on ? frames::broadcastOn() : frames::broadcastOff());
        break;
    case Kind::Text:
        // The one frame that goes out as a single write of text, as the panel sends it.
        if (const auto frame = frames::text(command.line1, command.line2))
            m_panel->link().sendText(frame->bytes, frame->monitor);
        break;
    case Kind::Upload:
        return upload(command);
    case Kind::Save:
        return save(command);
    case Kind::Monitor:
        m_monitoring = true;
        break;
    case Kind::Ports:
        return listPorts(m_settings, command.json, m_out);
    case Kind::Scan:
        return scan(command);
    case Kind::Watch:
        return watch(command);
    case Kind::Commission:
        m_commission = std::make_unique<CommissionRun>(*m_panel, command, m_out, m_err);
        connect(m_commission.get(), &CommissionRun::finished, this, &Session::commandEnded);
        m_commission->start();
        return std::nullopt;
    default:
        m_panel->link().send(frameOf(command));
        break;
    }
    return judged(command);
}

bool Session::exchange(const Exchange& step)
{
    return m_panel->exchanges().start({step}, &m_runs,
                                      {{},
                                       {},
                                       [this](const Exchange::Outcome& outcome) {
                                           m_outcome = outcome;
                                           if (outcome.kind == Exchange::Kind::Select)
                                               m_selection = heard(m_selection, outcome);
                                       },
                                       [this](bool) { exchangesFinished(); }});
}

void Session::exchangesFinished()
{
    const std::optional<Exchange::Outcome> outcome = std::exchange(m_outcome, std::nullopt);
    if (m_interrupted || !outcome)
        return;
    const Command& command = m_commands.at(m_next - 1);
    switch (outcome->kind) {
    case Exchange::Kind::Select:
        commandEnded(judged(command, outcome->answered, kDeviceNotFound));
        return;
    case Exchange::Kind::Deselect:
        // Only an answer that came back after the deselect went out counts, as the traffic
        // log judges it, not the select's.
        commandEnded(judged(command, outcome->answeredSinceSent, kNoResponse));
        return;
    case Exchange::Kind::ReadInputs: {
        const ExitStatus status = judged(command, outcome->answered, kNoResponse);
        if (status == ExitStatus::Ok)
            printInputs(outcome->inputs, command.json);
        commandEnded(status);
        return;
    }
    default:
        return;
    }
}

std::optional<ExitStatus> Session::upload(const Command& command)
{
    // As the configuration window does when it opens: every module selected, their displays
    // cleared and "Config. Mode" shown. Then the upload, to all of them.
    if (!m_panel->configLink().sendFrame(frames::enterConfiguration()) ||
        !m_panel->configLink().sendText(safeText(frames::kConfigModeText)))
        return judged(command);
    // A plan that stops at its first burst has finished before start() returns.
    m_panel->configLink().start(command.steps, &m_runs,
                                {{}, {}, [this](bool completed) { uploadEnded(completed); }});
    return std::nullopt;
}

void Session::uploadEnded(bool completed)
{
    if (m_interrupted)
        return;
    const Command& command = m_commands.at(m_next - 1);
    if (!completed) {
        const ExitStatus status = judged(command);
        commandEnded(status != ExitStatus::Ok ? status
                                              : fail(ExitStatus::PortNotAvailable, command.typed(),
                                                     u"the upload stopped"_s));
        return;
    }
    m_lastUpload = &command;
    commandEnded(ExitStatus::Ok);
}

std::optional<ExitStatus> Session::scan(const Command& command)
{
    if (!m_scan.start(command.bothSpeeds))
        return fail(ExitStatus::PortNotAvailable, command.typed(), u"the line is busy"_s);
    return std::nullopt;
}

void Session::scanEnded(bool completed)
{
    if (m_interrupted)
        return;
    const Command& command = m_commands.at(m_next - 1);
    ExitStatus status = judged(command);
    if (status == ExitStatus::Ok && !completed)
        status = fail(ExitStatus::PortNotAvailable, command.typed(), u"the scan stopped"_s);
    if (status != ExitStatus::Ok) {
        commandEnded(status);
        return;
    }
    const ScanResult& result = m_scan.result();
    m_out << (command.json ? scanJson(result) : scanText(result));
    m_out.flush();
    // --json lists them in its output already.
    if (!command.json) {
        const auto heard = [this](int baud, quint8 address) {
            return m_scan.heard(baud, address);
        };
        for (const HeardReply& reply : heardReplies(result, heard)) {
            if (reply.reply == Reply::Garbled)
                m_err << kProgram << ": " << command.typed() << ": garbled reply from "
                      << int(reply.address) << " at " << reply.baud << " bit/s: " << reply.bytes
                      << '\n';
        }
        m_err.flush();
    }
    status = scanStatus(result);
    if (status != ExitStatus::Ok)
        fail(status, command.typed(), u"no module answered"_s);
    commandEnded(status);
}

std::optional<ExitStatus> Session::watch(const Command& command)
{
    m_watchLines = 0;
    if (!m_watch.start(m_selection.address, command.intervalMs))
        return fail(ExitStatus::PortNotAvailable, command.typed(), u"the line is busy"_s);
    return std::nullopt;
}

void Session::watchAnswered(const InputStates& states, const QList<int>& changed)
{
    const Command& command = m_commands.at(m_next - 1);
    if (changed.isEmpty()) {
        // Nothing to print, but whoever read the lines may have gone (a `| head -1` done).
        const auto* file = qobject_cast<const QFileDevice*>(m_out.device());
        if (file && readerGone(file->handle()))
            endWatch(fail(ExitStatus::OutputLost, command.typed(), kOutputLost));
        return;
    }
    // The time the answer came, to the millisecond, as local time.
    printInputs(states, command.json, formats::logTime(QDateTime::currentMSecsSinceEpoch()));
    // Nobody reads what comes next (a pipe closed, a full disk): polling on would only hold
    // the port.
    if (m_out.status() != QTextStream::Ok) {
        endWatch(fail(ExitStatus::OutputLost, command.typed(), kOutputLost));
        return;
    }
    if (command.count > 0 && ++m_watchLines >= command.count)
        endWatch(ExitStatus::Ok);
}

void Session::endWatch(ExitStatus status)
{
    // Heard as the read ends: stopped now, no other read goes out. The next command starts
    // from the event loop, once the runner has seen this read to its end.
    m_watch.stop();
    QMetaObject::invokeMethod(
        this, [this, status] { commandEnded(status); }, Qt::QueuedConnection);
}

std::optional<ExitStatus> Session::save(const Command& command)
{
    // The settings file keeps a copy of what the modules were told to store, as the panel's
    // configuration window keeps one. A setup read from the settings file is there already.
    if (!m_lastUpload || m_lastUpload->file.isEmpty())
        return store(command, nullptr);
    m_lockGivenUpAtMs = m_clock.elapsed() + IniLock::kPatienceMs;
    return saveWhenLocked();
}

std::optional<ExitStatus> Session::saveWhenLocked()
{
    const IniLock lock = m_settings.tryLock();
    if (lock.state() == IniLock::State::Busy && m_clock.elapsed() < m_lockGivenUpAtMs) {
        m_lockWait.start();
        return std::nullopt;
    }
    return store(m_commands.at(m_next - 1), &lock);
}

ExitStatus Session::store(const Command& command, const IniLock* lock)
{
    if (!m_panel->configLink().sendFrame(frameOf(command)))
        return judged(command);
    if (!lock)
        return ExitStatus::Ok;
    // Kept as the window's save keeps it: each bitmap value as the byte the upload sent.
    const auto toSave = setupToSave(applyFills(m_lastUpload->setup, m_lastUpload->steps));
    if (const auto* refusal = std::get_if<UploadRefusal>(&toSave))
        return fail(ExitStatus::SettingsNotWritten, command.typed(), refusalText(*refusal));
    const ModuleSetup& sent = std::get<ModuleSetup>(toSave);
    const QStringList failures = lock->state() == IniLock::State::Held
                                     ? saveModuleSetup(sent, m_settings, lock)
                                     : QStringList{lock->error()};
    if (!failures.isEmpty()) {
        return fail(ExitStatus::SettingsNotWritten, command.typed(),
                    u"the modules store it, but the settings file was not written: "_s +
                        failures.first());
    }
    return ExitStatus::Ok;
}

ExitStatus Session::judged(const Command& command, bool answered, const QString& otherwise)
{
    if (m_failures.any())
        return fail(ExitStatus::PortNotAvailable, command.typed(), m_failures.describe());
    if (!answered)
        return fail(ExitStatus::NoAnswer, command.typed(), otherwise);
    return ExitStatus::Ok;
}

ExitStatus Session::fail(ExitStatus status, const QString& what, const QString& why)
{
    flushSent();
    m_err << kProgram << ": " << (what.isEmpty() ? QString() : what + u": "_s) << why << '\n';
    m_err.flush();
    return status;
}

void Session::printInputs(const InputStates& states, bool json, const QString& time)
{
    if (json) {
        QJsonObject inputs;
        for (size_t i = 0; i < states.size(); ++i)
            inputs.insert(QString::number(i + 1), states[i]);
        QJsonObject answer{{u"address"_s, int(m_selection.address)}, {u"inputs"_s, inputs}};
        if (!time.isEmpty())
            answer.insert(u"time"_s, time);
        m_out << QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        m_out << (time.isEmpty() ? QString() : time + u' ') << formats::numbers(states, u" ")
              << '\n';
    }
    m_out.flush();
}

void Session::noteWritten(const QByteArray& bytes)
{
    const qint64 now = m_clock.elapsed();
    const qint64 lineMs =
        (qint64(bytes.size()) * wire::BitsPerByte * 1000 + m_bitsPerSecond - 1) / m_bitsPerSecond;
    m_lineFreeAtMs = std::max(now, m_lineFreeAtMs) + lineMs;
    if (m_monitoring)
        m_lines.wrote(bytes);
}

void Session::noteReceived(const QByteArray& bytes)
{
    if (m_monitoring)
        m_lines.received(bytes);
}

void Session::flushSent()
{
    m_lines.flushWrites();
}

void Session::stopRun(ExitStatus status)
{
    m_status = status;
    // The last bytes leave the line after the last command has returned, as in the panel; the
    // port stays open until they have, since closing may set the line back to another speed.
    const qint64 remainingMs = m_lineFreeAtMs - m_clock.elapsed();
    if (status != ExitStatus::PortNotAvailable && remainingMs > 0) {
        const qint64 ticks = remainingMs / QtTickSource::kTickMs + 2;
        const qint16 pause = qint16(std::min<qint64>(ticks, 1000));
        m_draining = m_panel->exchanges().start({Exchange::pause(pause)}, &m_runs,
                                                {{}, {}, {}, [this](bool) { drainEnded(); }});
        if (m_draining)
            return;
    }
    drainEnded();
}

void Session::drainEnded()
{
    m_draining = false;
    // Bytes nobody read are still what the line carried: the monitor shows them.
    m_panel->port().input();
    m_panel->port().setPortOpen(false);
    m_lines.end();
    m_finished = true;
    emit finished(m_status);
}

} // namespace velnor::cli
