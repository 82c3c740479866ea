#pragma once

#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "app/frmMain.h"
#include "settings/IniFile.h"
#include "shared/Variables.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace velnor::test {

// The input indicators of a main window, W for white and R for red, in input order.
inline QString indicatorColours(const QWidget& window)
{
    QString colours;
    for (int i = 0; i < 8; ++i) {
        const QColor fill = window.findChild<QFrame*>(QStringLiteral("Shape1_%1").arg(i))
                                ->palette()
                                .color(QPalette::Active, QPalette::Window);
        colours += fill == QColor(255, 255, 255) ? QLatin1Char('W')
                   : fill == QColor(255, 0, 0)   ? QLatin1Char('R')
                                                 : QLatin1Char('?');
    }
    return colours;
}

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

    QString status() const { return child<QLabel>(QStringLiteral("StatusBar1Panel1"))->text(); }
    QString tx() const { return child<QLabel>(QStringLiteral("lblTxData"))->text(); }
    QString rx() const { return child<QLabel>(QStringLiteral("lblRxData"))->text(); }
    void click(const QString& name) const { child<QAbstractButton>(name)->click(); }
    // Member index of a control array such as optBL or cmdCC.
    void click(const QString& array, int index) const
    {
        child<QButtonGroup>(array)->button(index)->click();
    }
    // The module answers every write equal to written, after the write, as a line would.
    void answer(const QByteArray& written, const QByteArray& reply)
    {
        port.peer = [this, written, reply](const QByteArray& bytes) {
            if (bytes == written)
                QTimer::singleShot(0, &port, [this, reply] { port.feed(reply); });
        };
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
