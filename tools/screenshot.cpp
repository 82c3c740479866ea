// Draws the main window off screen into a PNG, for the README and for looking at the layout
// without a display: velnor-screenshot OUT.png
// The window is drawn at work, so that no group is greyed out: a module on an emulated line
// selected, two lines of text sent to it and its inputs read.
#include "widgets/ClassicLook.h"
#include "widgets/QtMessageSink.h"
#include "app/frmMain.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/ConfigLink.h"
#include "link/QtSerialPort.h"
#include "link/QtTickSource.h"
#include "settings/IniFile.h"
#include "shared/Variables.h"

#include <QAbstractButton>
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

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velnor"));
    velnor::useClassicStyle();
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: velnor-screenshot OUT.png\n", stderr);
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

    velnor::Variables vars;
    velnor::QtSerialPort port(settings);
    velnor::QtTickSource ticks;
    velnor::QtMessageSink messages;
    velnor::QtSerialPort configPort(settings);
    velnor::QtTickSource configTicks(velnor::ConfigLink::kTickMs);
    velnor::frmMain window(vars, settings, port, ticks, messages, {configPort, configTicks});
    messages.setParentWindow(&window);
    window.show();

    click(window, "cmdSelect");
    type(window, "txtLine1", QStringLiteral("Hello,"));
    type(window, "txtLine2", QStringLiteral("world!"));
    click(window, "cmdSendText");
    click(window, "cmdInput");
    QApplication::processEvents();
    return window.grab().save(args.at(1)) ? 0 : 1;
}
