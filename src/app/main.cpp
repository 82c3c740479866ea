#include "widgets/ClassicLook.h"
#include "widgets/QtMessageSink.h"
#include "widgets/WindowHabits.h"
#include "app/PanelOptions.h"
#include "app/MainWindow.h"
#include "link/Panel.h"
#include "link/PortLocator.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "settings/SettingsLocation.h"
#include "link/SerialPort.h"
#include "system/QuitOnSignal.h"
#include "system/StandardStreams.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <vector>

namespace {

// What the load step read, for --check.
void printLoaded(const velnor::SerialPort& port, const velnor::IniFile& settings)
{
    const QString device = velnor::devicePathForPort(velnor::portMapOf(settings), port.commPort());
    std::printf("settings: %s\nport: %d (%s)\nspeed: %s\naddress: %d\n",
                qPrintable(QDir::toNativeSeparators(settings.path())), port.commPort(),
                qPrintable(device), qPrintable(port.settings()),
                velnor::StartupSettings::read(settings).address);
}

} // namespace

int main(int argc, char* argv[])
{
    velnor::holdStandardStreams();
    // First of all: a kill, a logout or Ctrl+C in the terminal ends the program as closing its
    // window does, with the ports flushed and closed.
    velnor::QuitOnSignal quitOnSignal;
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const velnor::PanelOptions options = velnor::PanelOptions::parse(arguments);
    if (const std::optional<int> status = options.answer())
        return *status;
    // A check needs no screen: it runs off screen where there is none, such as over ssh,
    // whatever platform the environment or the command line names (the last one counts).
    std::vector<char*> qtArguments(argv, argv + argc);
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    if (options.check)
        qtArguments.insert(qtArguments.end(), {platformOption, offscreen});
    int qtArgc = int(qtArguments.size());
    qtArguments.push_back(nullptr);

    QApplication app(qtArgc, qtArguments.data());
    quitOnSignal.listen();
    QApplication::setApplicationName(QStringLiteral("Velnor"));
    QApplication::setApplicationVersion(QStringLiteral(VELNOR_VERSION));
    velnor::useClassicStyle();
    // Every window of the panel, the traffic log's included, opens inside the screen.
    app.installEventFilter(new velnor::ScreenFit(&app));

    const velnor::SettingsLocation location = velnor::SettingsLocation::choose(
        velnor::SettingsLocation::ofThisProgram(options.settings));
    QString problem;
    // Without its file the panel starts as it does with none: the first port, 9600 bit/s.
    if (!location.prepare(&problem))
        std::fprintf(stderr, "velnor: %s\n", qPrintable(problem));

    const velnor::IniFile settings = location.file();
    // A file that is there but cannot be read would give the defaults without a word.
    const QString unreadable = settings.unreadable();
    if (!unreadable.isEmpty())
        std::fprintf(stderr, "velnor: %s\n", qPrintable(unreadable));

    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    velnor::MainWindow window(*panel, settings);
    messages.setParentWindow(&window);
    window.setWindowFilePath(location.path());
    window.show();

    if (options.check) {
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
        QApplication::exec();
        printLoaded(panel->port(), settings);
        return QFileInfo(settings.path()).isFile() && unreadable.isEmpty() ? 0 : 1;
    }
    if (!unreadable.isEmpty()) {
        // Once, as the window appears: the panel goes on with the first port at 9600 bit/s.
        QTimer::singleShot(0, &window, [&messages, unreadable] {
            messages.showMessage(
                QStringLiteral("The settings file cannot be read. Velnor starts with its "
                               "defaults: port 1, 9600 bit/s."),
                unreadable);
        });
    }
    return QApplication::exec();
}
