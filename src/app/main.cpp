#include "widgets/ClassicLook.h"
#include "widgets/QtMessageSink.h"
#include "app/frmMain.h"
#include "link/ConfigLink.h"
#include "link/QtSerialPort.h"
#include "link/QtTickSource.h"
#include "settings/IniFile.h"
#include "shared/Variables.h"
#include "system/QuitOnSignal.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // First of all: a kill, a logout or Ctrl+C in the terminal ends the program as closing its
    // window does, with the ports flushed and closed.
    velnor::QuitOnSignal quitOnSignal;
    QApplication app(argc, argv);
    quitOnSignal.listen();
    QApplication::setApplicationName(QStringLiteral("Velnor"));
    velnor::useClassicStyle();

    velnor::Variables vars;
    const velnor::IniFile settings = velnor::IniFile::beside();
    velnor::QtSerialPort port(settings);
    port.setObjectName(QStringLiteral("MSComm1"));
    velnor::QtTickSource ticks;
    ticks.setObjectName(QStringLiteral("Timer1"));
    velnor::QtMessageSink messages;
    velnor::QtSerialPort configPort(settings);
    configPort.setObjectName(QStringLiteral("ConfigMSComm1"));
    velnor::QtTickSource configTicks(velnor::ConfigLink::kTickMs);
    configTicks.setObjectName(QStringLiteral("ConfigTimer1"));

    velnor::frmMain window(vars, settings, port, ticks, messages, {configPort, configTicks});
    messages.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
