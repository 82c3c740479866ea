#include "widgets/ClassicLook.h"
#include "widgets/QtMessageSink.h"
#include "app/frmMain.h"
#include "link/Panel.h"
#include "link/PortLocator.h"
#include "settings/IniFile.h"
#include "settings/SettingsLocation.h"
#include "shared/Variables.h"
#include "system/QuitOnSignal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

// The panel's command line. Read once before the application object exists, so that --help
// and --version work without a display, and once after, when Qt has taken its own options out.
struct PanelOptions
{
    enum class Action { Run, Help, Version, Wrong };
    Action action = Action::Run;
    QString text; // the help, the version or what is wrong
    QString settings;
    bool check = false;
};

PanelOptions parseOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Control panel for serial character-display modules.\n"
        "\n"
        "Settings: velnor.ini beside the program when the program may write into its\n"
        "folder (a portable copy, or the build); for an installed program,\n"
        "~/.config/velnor/velnor.ini, made from the installed default on first use.\n"
        "Port numbers name devices in its section [Ports], such as 3=/dev/ttyUSB0.\n"
        "The tooltip of the window's status bar names the file in use."));
    // Not addHelpOption(): its --help-all would need the application object.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Use this settings file instead (made from the installed default when "
                       "it does not exist)."),
        QStringLiteral("file"));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Start off screen, load the settings, print the file, port, speed and "
                       "address that were read, and quit without opening the port."));
    parser.addOptions({settings, check});

    PanelOptions options;
    if (!parser.parse(arguments)) {
        options.action = PanelOptions::Action::Wrong;
        options.text = parser.errorText();
    } else if (parser.isSet(help)) {
        options.action = PanelOptions::Action::Help;
        options.text = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                 QStringLiteral("velnor"));
    } else if (parser.isSet(version)) {
        options.action = PanelOptions::Action::Version;
        options.text = QStringLiteral("velnor %1\n").arg(QStringLiteral(VELNOR_VERSION));
    } else if (!parser.positionalArguments().isEmpty()) {
        options.action = PanelOptions::Action::Wrong;
        options.text = QStringLiteral("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
    }
    options.settings = parser.value(settings);
    options.check = parser.isSet(check);
    return options;
}

// Help and version on standard output; a wrong command line on standard error. The exit
// status, or nothing to go on.
std::optional<int> answered(const PanelOptions& options)
{
    switch (options.action) {
    case PanelOptions::Action::Help:
    case PanelOptions::Action::Version:
        std::fputs(qPrintable(options.text), stdout);
        return 0;
    case PanelOptions::Action::Wrong:
        std::fprintf(stderr, "velnor: %s\nTry 'velnor --help'.\n", qPrintable(options.text));
        return 2;
    case PanelOptions::Action::Run:
        break;
    }
    return std::nullopt;
}

// What the load step read, for --check.
void printLoaded(const velnor::Variables& vars, const velnor::IniFile& settings)
{
    const QString device = velnor::devicePathForPort(vars.PortNumber.toInt(), settings);
    std::printf("settings: %s\nport: %s (%s)\nspeed: %s\naddress: %d\n",
                qPrintable(QDir::toNativeSeparators(settings.path())), qPrintable(vars.PortNumber),
                qPrintable(device), qPrintable(vars.PortSettings), int(vars.DeviceAddr));
}

} // namespace

int main(int argc, char* argv[])
{
    // First of all: a kill, a logout or Ctrl+C in the terminal ends the program as closing its
    // window does, with the ports flushed and closed.
    velnor::QuitOnSignal quitOnSignal;
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        const PanelOptions early = parseOptions(arguments);
        // A wrong line may hold Qt's own options still: judged again below.
        if (early.action != PanelOptions::Action::Wrong) {
            if (const std::optional<int> status = answered(early))
                return *status;
        }
        // A check needs no screen: it runs where there is none, such as over ssh.
        if (early.check && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    quitOnSignal.listen();
    QApplication::setApplicationName(QStringLiteral("Velnor"));
    QApplication::setApplicationVersion(QStringLiteral(VELNOR_VERSION));
    const PanelOptions options = parseOptions(QApplication::arguments());
    if (const std::optional<int> status = answered(options))
        return *status;
    velnor::useClassicStyle();

    const velnor::SettingsLocation location = velnor::SettingsLocation::choose(
        velnor::SettingsLocation::ofThisProgram(options.settings));
    QString problem;
    // Without its file the panel starts as it does with none: the first port, 9600 bit/s.
    if (!location.prepare(&problem))
        std::fprintf(stderr, "velnor: %s\n", qPrintable(problem));

    const velnor::IniFile settings(location.path());
    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    velnor::frmMain window(*panel, settings);
    messages.setParentWindow(&window);
    // Where a user finds which file the panel reads and writes: over the status bar.
    const QString inUse =
        QStringLiteral("Settings: %1").arg(QDir::toNativeSeparators(location.path()));
    window.setWindowFilePath(location.path());
    window.statusBar()->setToolTip(inUse);
    window.statusBar()->setAccessibleDescription(inUse);
    window.show();

    if (options.check) {
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
        QApplication::exec();
        printLoaded(panel->vars(), settings);
        return QFileInfo(settings.path()).isFile() ? 0 : 1;
    }
    return QApplication::exec();
}
