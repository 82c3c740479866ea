#include "cli/Cli.h"

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/Help.h"
#include "cli/Session.h"
#include "link/QtSerialPort.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"
#include "settings/StationFile.h"
#include "settings/StartupSettings.h"
#include "settings/SettingsLocation.h"
#include "shared/Wire.h"
#include "system/QuitOnSignal.h"

#include <QCoreApplication>

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

int usage(QTextStream& err, const QString& text)
{
    err << Session::kProgram << ": " << text << '\n'
        << "Try '" << Session::kProgram << " --help'.\n";
    err.flush();
    return int(ExitStatus::Usage);
}

// The line the panel would start on, unless the command line names a speed.
QString lineSettings(const Invocation& invocation, const StartupSettings& startup)
{
    if (invocation.speed)
        return wire::lineSettings(*invocation.speed);
    return startup.settledLine();
}

// Only a bare name means a device under /dev; a path with a slash is taken from the current
// folder, as the shell would.
QString devicePath(const QString& device)
{
    return device.contains(u'/') ? QFileInfo(device).absoluteFilePath() : device;
}

// Loads and checks an upload's setup, so that a refused one stops the run before anything
// is sent.
std::optional<int> prepareUpload(Command& command, const IniFile& settings, QTextStream& err)
{
    const QString path = command.file.isEmpty() ? settings.path() : command.file;
    if (!command.file.isEmpty()) {
        if (!QFileInfo::exists(path))
            return usage(err, u"upload: \"%1\": no such file"_s.arg(path));
        // Read as the settings file is read: one it cannot take (too large, not a regular
        // file, not permitted) would load as empty boxes and be refused for them.
        if (const QString why = IniFile(path).unreadable(); !why.isEmpty())
            return usage(err, u"upload: "_s + why);
    }
    command.setup = loadModuleSetup(IniFile(path));
    auto plan = planUpload(command.setup);
    if (const auto* refusal = std::get_if<UploadRefusal>(&plan)) {
        err << Session::kProgram << ": upload (" << path << "): " << refusalText(*refusal) << '\n';
        err.flush();
        return int(ExitStatus::ConfigurationRefused);
    }
    command.steps = std::get<QList<UploadStep>>(std::move(plan));
    return std::nullopt;
}

// A commission needs its station file, taken whole, and the address to give.
std::optional<int> prepareCommission(Command& command, QTextStream& err)
{
    if (command.file.isEmpty() || command.address == 0)
        return usage(err, u"commission: give the station file and --address ADDR"_s);
    if (!QFileInfo::exists(command.file))
        return usage(err, u"commission: \"%1\": no such file"_s.arg(command.file));
    auto opened = StationFile::open(command.file);
    if (const auto* refusal = std::get_if<StationFile::Refusal>(&opened)) {
        err << Session::kProgram << ": commission: " << refusal->message << '\n';
        err.flush();
        return int(ExitStatus::ConfigurationRefused);
    }
    command.setup = std::get<ModuleSetup>(std::move(opened));
    return std::nullopt;
}

} // namespace

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    auto parsed = parseCommandLine(arguments);
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return usage(err, error->text);
    Invocation& invocation = std::get<Invocation>(parsed);
    if (invocation.action != Invocation::Action::Run) {
        out << (invocation.action == Invocation::Action::Help ? helpText() : versionText());
        out.flush();
        return int(ExitStatus::Ok);
    }

    if (!invocation.settingsFile.isEmpty() && !QFileInfo::exists(invocation.settingsFile))
        return usage(err, u"--settings: no such file \"%1\""_s.arg(invocation.settingsFile));
    // The panel's file: the same choice, the same first-use copy.
    const SettingsLocation location =
        SettingsLocation::choose(SettingsLocation::ofThisProgram(invocation.settingsFile));
    QString problem;
    if (!location.prepare(&problem))
        err << Session::kProgram << ": " << problem << '\n';
    const IniFile settings = location.file();
    // Taken for a missing file, it would send to the default port what the file meant for
    // another.
    if (const QString why = settings.unreadable(); !why.isEmpty()) {
        err << Session::kProgram << ": " << why << " (the settings file cannot be read; "
            << "nothing was sent)\n";
        err.flush();
        return int(ExitStatus::Usage);
    }
    for (Command& command : invocation.commands) {
        if (command.kind == Command::Kind::Commission) {
            if (const std::optional<int> status = prepareCommission(command, err))
                return *status;
        }
        if (command.kind != Command::Kind::Upload)
            continue;
        if (const std::optional<int> status = prepareUpload(command, settings, err))
            return *status;
    }

    const StartupSettings startup = StartupSettings::read(settings);
    auto port = std::make_unique<QtSerialPort>(portMapOf(settings));
    if (invocation.device.isEmpty())
        port->setCommPort(invocation.port.value_or(startup.port));
    else
        port->setDevice(devicePath(invocation.device));
    port->setSettings(lineSettings(invocation, startup));

    Session session(std::move(port), settings, out, err);
    ExitStatus status = ExitStatus::Ok;
    QObject::connect(&session, &Session::finished, &session, [&status](ExitStatus ended) {
        status = ended;
        QCoreApplication::quit();
    });
    session.start(invocation.commands);
    // The run goes on in the application's event loop. A signal quits that loop: the run then
    // ends where it stands, once the line has carried what it was given.
    while (!session.isFinished()) {
        QCoreApplication::exec();
        if (!session.isFinished() && QuitOnSignal::requested())
            session.interrupt();
    }
    out.flush();
    // A result a script never gets is a failure, even when every command ran.
    if (out.status() != QTextStream::Ok && status == ExitStatus::Ok) {
        err << Session::kProgram << ": " << Session::kOutputLost << '\n';
        err.flush();
        return int(ExitStatus::OutputLost);
    }
    err.flush();
    return int(status);
}

} // namespace velnor::cli
