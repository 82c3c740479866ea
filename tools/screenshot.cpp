// Draws the windows off screen into PNGs, for the README and for looking at the layout without
// a display: velnor-screenshot MAIN.png [CONFIG.png], or velnor-screenshot --line PORTS.png
// SCAN.png WATCH.png for the tools that look at the line.
// The main window is drawn at work, so that no group is greyed out: a module on an emulated
// line selected, two lines of text sent to it and its inputs read. The configuration window is
// drawn opened from its menu item on a settings file holding a whole configuration.
#include "LineShots.h"
#include "widgets/ClassicLook.h"
#include "widgets/QtMessageSink.h"
#include "app/frmMain.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/Panel.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetup.h"
#include "shared/Variables.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
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

// A configuration as a save leaves it: the bell, heart and smiley and some texts.
void writeConfiguration(const velnor::IniFile& settings)
{
    velnor::ModuleSetup setup;
    setup.uid = QString::number(kAddress);
    setup.at9600 = true;
    setup.line1 = QStringLiteral("Velnor");
    setup.line2 = QStringLiteral("bench 3");
    for (int k = 0; k < velnor::ModuleSetup::kTexts; ++k)
        setup.texts[size_t(k)] = QStringLiteral("Message %1").arg(k + 1);
    constexpr int kDots[24] = {4,  14, 14, 14, 31, 0,  4,  0, 0,  10, 31, 31,
                               14, 4,  0,  0,  0,  10, 10, 0, 17, 14, 0,  0};
    for (int i = 0; i < velnor::ModuleSetup::kBitmaps; ++i)
        setup.bitmaps[size_t(i)] = QString::number(i < 24 ? kDots[i] : 0);
    setup.save(settings);
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
    if (args.size() != 2 && args.size() != 3) {
        std::fputs("usage: velnor-screenshot MAIN.png [CONFIG.png]\n", stderr);
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
    settings.WriteIni(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("1"));
    settings.WriteIni(QStringLiteral("Settings"), QStringLiteral("Setting"),
                      QStringLiteral("9600,n,8,1"));
    settings.WriteIni(QStringLiteral("LCD"), QStringLiteral("UID"), QString::number(kAddress));
    settings.WriteIni(QStringLiteral("Ports"), QStringLiteral("1"), host.devicePath());

    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    velnor::frmMain window(*panel, settings);
    messages.setParentWindow(&window);
    window.show();

    // A select and an input read go on until their waits are over.
    const auto runOut = [&panel] {
        while (panel->exchanges().isRunning())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    click(window, "cmdSelect");
    runOut();
    type(window, "txtLine1", QStringLiteral("Hello,"));
    type(window, "txtLine2", QStringLiteral("world!"));
    click(window, "cmdSendText");
    click(window, "cmdInput");
    runOut();
    QApplication::processEvents();
    if (!window.grab().save(args.at(1)))
        return 1;
    if (args.size() == 2)
        return 0;

    writeConfiguration(settings);
    window.findChild<QAction*>(QStringLiteral("mnuConfig"))->trigger();
    QWidget* config = window.configWindow();
    QApplication::processEvents();
    return config->grab().save(args.at(2)) ? 0 : 1;
}
