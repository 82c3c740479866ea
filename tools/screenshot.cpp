// Draws the main window off screen into a PNG, for the README and for looking at the layout
// without a display: velnor-screenshot OUT.png
#include "widgets/ClassicLook.h"
#include "widgets/QtMessageSink.h"
#include "app/frmMain.h"
#include "link/ConfigLink.h"
#include "link/QtSerialPort.h"
#include "link/QtTickSource.h"
#include "settings/IniFile.h"
#include "shared/Variables.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>

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

    QTemporaryDir dir; // no settings file: the window as it starts by default
    velnor::Variables vars;
    const velnor::IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    velnor::QtSerialPort port(settings);
    velnor::QtTickSource ticks;
    velnor::QtMessageSink messages;
    velnor::QtSerialPort configPort(settings);
    velnor::QtTickSource configTicks(velnor::ConfigLink::kTickMs);
    velnor::frmMain window(vars, settings, port, ticks, messages, {configPort, configTicks});
    window.show();
    QApplication::processEvents();
    return window.grab().save(args.at(1)) ? 0 : 1;
}
