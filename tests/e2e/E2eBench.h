#pragma once

#include "EmulatedLine.h"
#include "FakeMessageSink.h"
#include "MainWindowRig.h"
#include "app/MainWindow.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/Panel.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTemporaryDir>

#include <memory>

namespace velnor::test {

// Modules 101 and 102 (or the given ones) on an emulated line, and the panel on the other end of
// it, as a user would run them: real port, real 10 ms ticks, off screen.
struct Bench : EmulatedLine
{
    explicit Bench(const QList<quint8>& addresses = {101, 102}) : EmulatedLine(addresses)
    {
        if (!started)
            return;
        panel = Panel::onSerialPorts(messages, portMapOf(settings));
        window = std::make_unique<MainWindow>(*panel, settings);
    }

    // Sends a command the modules skip after all the main window has sent; once it has
    // arrived, the modules have taken in everything before it.
    void mark() const { panel->port().output(kMark); }
    bool marked() const { return heard.endsWith(kMark); }

    template <typename T = QWidget> T* child(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QString status() const { return child<QLabel>("statusText")->text(); }
    QString tx() const { return child<QLabel>("sentBytes")->text(); }
    QString rx() const { return child<QLabel>("receivedBytes")->text(); }
    // Clicks and lets the wait it started run to its end.
    void click(const char* name) const
    {
        child<QAbstractButton>(name)->click();
        QVERIFY2(waitsOver(*panel), name);
    }

    FakeMessageSink messages;
    std::unique_ptr<Panel> panel;
    std::unique_ptr<MainWindow> window;
    static inline const QByteArray kMark = QByteArrayLiteral("\xFE\x99");
};

} // namespace velnor::test
