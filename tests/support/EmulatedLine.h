#pragma once

#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "settings/IniFile.h"

#include <QTemporaryDir>

namespace velnor::test {

// Modules 101 and 102 (or the given ones) on an emulated line, in a folder of their own with a
// settings file whose port 4 reaches that line at 9600 bit/s, and every byte the line carried
// to the modules. Widget-free: a panel, velnor-cli or a test's own port can be the other end.
struct EmulatedLine
{
    explicit EmulatedLine(const QList<quint8>& addresses = {101, 102})
        : settings(dir.filePath(QStringLiteral("velnor.ini"))),
          host(addresses, dir.filePath(QStringLiteral("store")))
    {
        host.setLinkPath(dir.filePath(QStringLiteral("line")));
        QString error;
        started = host.start(&error);
        if (!started) {
            qWarning("emulator did not start: %s", qPrintable(error));
            return;
        }
        settings.write(QStringLiteral("Settings"), QStringLiteral("CommPort"),
                          QStringLiteral("4"));
        settings.write(QStringLiteral("Settings"), QStringLiteral("Setting"),
                          QStringLiteral("9600,n,8,1"));
        settings.write(QStringLiteral("LCD"), QStringLiteral("UID"), QStringLiteral("101"));
        settings.write(QStringLiteral("Ports"), QStringLiteral("4"), host.devicePath());
        QObject::connect(&host, &PtyHost::frameReceived, &host,
                         [this](const QByteArray& bytes) { heard += bytes; });
    }

    const Module& module(int index) const { return host.line().module(index); }

    QTemporaryDir dir;
    IniFile settings;
    PtyHost host;
    bool started = false;
    // Every byte the line carried to the modules.
    QByteArray heard;
};

} // namespace velnor::test
