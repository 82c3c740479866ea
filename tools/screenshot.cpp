// Draws the windows off screen into PNGs, for the README and for looking at the layout without
// a display: velnor-screenshot MAIN.png [CONFIG.png [UPLOAD.png [LOG.png]]]
// The main window is drawn at work, so that no group is greyed out: a module on an emulated
// line selected, two lines of text sent to it and its inputs read. The configuration window is
// drawn opened from its menu item as on a fresh install (the shipped default settings), then
// halfway through an upload of that configuration with a start-up screen typed in.
// velnor-screenshot --line PORTS.png SCAN.png WATCH.png draws the tools that look at the line.
// velnor-screenshot --displays DISPLAYS.png draws the Displays window beside the emulator.
// velnor-screenshot --commission COMMISSION.png draws the commissioning window at work.
#include "CommissionShot.h"
#include "DisplaysShot.h"
#include "LineShots.h"
#include "widgets/ClassicLook.h"
#include "widgets/QtMessageSink.h"
#include "app/LogWindow.h"
#include "app/MainWindow.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/Panel.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "settings/SettingsLocation.h"
#include "link/ConfigLink.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr quint8 kAddress = 101;
// Inputs 1, 3, 6 and 8 open: the indicators show both colours.
constexpr quint8 kInputs = 0b1010'0101;

void click(const QWidget& window, const char* name)
{
    window.findChild<QAbstractButton*>(QLatin1String(name))->click();
}

void type(const QWidget& window, const char* name, const QString& text)
{
    window.findChild<QLineEdit*>(QLatin1String(name))->setText(text);
}

// The settings a fresh install starts from, with port 1 pointed at the emulated line.
bool freshInstall(const velnor::IniFile& settings, const QString& device)
{
    QFile::remove(settings.path());
    if (!QFile::copy(velnor::SettingsLocation::builtInDefault(), settings.path()))
        return false;
    QFile::setPermissions(settings.path(), QFile::ReadOwner | QFile::WriteOwner);
    return settings.write(QStringLiteral("Ports"), QStringLiteral("1"), device);
}

// The traffic log at work, after the windows above: the configuration window closed, the
// module deselected, an absent one tried, the module selected again and its inputs read.
bool drawLog(velnor::MainWindow& window, velnor::Panel& panel, const QString& path)
{
    const auto runOut = [&panel] {
        while (panel.exchanges().isRunning())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    if (window.configWindow())
        window.configWindow()->close();
    auto* address = window.findChild<QComboBox*>(QStringLiteral("addressList"));
    click(window, "deselectButton");
    runOut();
    for (const char* chosen : {"103", "101"}) {
        address->setCurrentText(QLatin1String(chosen));
        click(window, "selectButton");
        runOut();
    }
    click(window, "backlight_2");
    click(window, "readInputsButton");
    runOut();
    window.findChild<QAction*>(QStringLiteral("trafficLogAction"))->trigger();
    auto* log = window.findChild<velnor::LogWindow*>();
    QApplication::processEvents();
    // Whole rows only: the table made as tall as the rows it shows, then scrolled to its end.
    auto* table = log->findChild<QTableView*>();
    const int rowHeight = table->verticalHeader()->defaultSectionSize();
    // Wider than the 1024 it opens at by the line's column, so that every meaning shows whole.
    log->resize(log->width() + table->columnWidth(velnor::TrafficLog::Line),
                log->height() - table->viewport()->height() % rowHeight);
    QApplication::processEvents();
    table->scrollToBottom();
    QApplication::processEvents();
    return log->grab().save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velnor"));
    velnor::useClassicStyle();
    const QStringList args = QApplication::arguments();
    if (args.size() == 5 && args.at(1) == QStringLiteral("--line"))
        return drawLineTools(args.mid(2));
    if (args.size() == 3 && args.at(1) == QStringLiteral("--displays"))
        return velnor::drawDisplays(args.at(2));
    if (args.size() == 3 && args.at(1) == QStringLiteral("--commission"))
        return drawCommission(args.at(2));
    if (args.size() < 2 || args.size() > 5) {
        std::fputs("usage: velnor-screenshot MAIN.png [CONFIG.png [UPLOAD.png [LOG.png]]]\n",
                   stderr);
        return 2;
    }

    QTemporaryDir dir;
    velnor::PtyHost host({kAddress}, dir.filePath(QStringLiteral("store")));
    QString error;
    if (!host.start(&error)) {
        std::fprintf(stderr, "velnor-screenshot: no emulated line: %s\n", qPrintable(error));
        return 1;
    }
    host.line().setInputs(0, kInputs);

    const velnor::IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    settings.write(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("1"));
    settings.write(QStringLiteral("Settings"), QStringLiteral("Setting"),
                   QStringLiteral("9600,n,8,1"));
    settings.write(QStringLiteral("LCD"), QStringLiteral("UID"), QString::number(kAddress));
    settings.write(QStringLiteral("Ports"), QStringLiteral("1"), host.devicePath());

    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    velnor::MainWindow window(*panel, settings);
    messages.setParentWindow(&window);
    window.show();

    // A select and an input read go on until their waits are over.
    const auto runOut = [&panel] {
        while (panel->exchanges().isRunning())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    click(window, "selectButton");
    runOut();
    type(window, "line1Box", QStringLiteral("Hello,"));
    type(window, "line2Box", QStringLiteral("world!"));
    click(window, "sendTextButton");
    click(window, "readInputsButton");
    runOut();
    QApplication::processEvents();
    if (!window.grab().save(args.at(1)))
        return 1;
    if (args.size() == 2)
        return 0;

    if (!freshInstall(settings, host.devicePath())) {
        std::fputs("velnor-screenshot: the shipped default settings could not be copied\n",
                   stderr);
        return 1;
    }
    window.findChild<QAction*>(QStringLiteral("configAction"))->trigger();
    QWidget* config = window.configWindow();
    QApplication::processEvents();
    if (!config->grab().save(args.at(2)))
        return 1;
    if (args.size() == 3)
        return 0;

    // Halfway: the start-up screen and the bitmaps are out, the predefined texts go.
    constexpr int kHalfway = 12;
    type(*config, "startupLine1", QStringLiteral("Velnor"));
    type(*config, "startupLine2", QStringLiteral("bench 3"));
    int sent = 0;
    QObject::connect(&panel->configLink(), &velnor::ConfigLink::stepSent, config,
                     [&sent](int step) { sent = step; });
    click(*config, "uploadButton");
    while (sent < kHalfway && panel->configLink().isRunning())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (sent < kHalfway || !config->grab().save(args.at(3)))
        return 1;
    return args.size() == 4 || drawLog(window, *panel, args.at(4)) ? 0 : 1;
}
