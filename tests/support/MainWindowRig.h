#pragma once

#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "app/frmMain.h"
#include "settings/IniFile.h"
#include "shared/Variables.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace velnor::test {

// The main window on fakes, started from a settings file with the given contents (or none).
struct MainWindowRig
{
    explicit MainWindowRig(const QByteArray* iniContents)
        : settings(dir.filePath(QStringLiteral("velnor.ini")))
    {
        if (iniContents) {
            QFile file(settings.path());
            if (file.open(QIODevice::WriteOnly))
                file.write(*iniContents);
        }
        window = std::make_unique<frmMain>(vars, settings, port, ticks, messages,
                                           frmMain::ConfigLine{configPort, configTicks});
    }

    template <typename T> T* child(const QString& name) const
    {
        return window->findChild<T*>(name);
    }

    QTemporaryDir dir;
    IniFile settings;
    Variables vars;
    FakeSerialPort port;
    FakeTickSource ticks;
    FakeMessageSink messages;
    // The configuration window's own port and tick.
    FakeSerialPort configPort;
    FakeTickSource configTicks;
    std::unique_ptr<frmMain> window;
};

} // namespace velnor::test
