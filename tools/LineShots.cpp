#include "LineShots.h"

#include "app/FindModulesWindow.h"
#include "app/PortsWindow.h"
#include "app/MainWindow.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/Panel.h"
#include "protocol/Frames.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "widgets/QtMessageSink.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// Modules at scattered addresses, two sharing 120, and one stored at 4800.
const QList<quint8> kModules = {101, 117, 120, 120, 125, 132};
constexpr quint8 kSlow = 125;

// Lets the event loop run until done says so, or a generous while has passed.
bool runUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(30000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

void pause(int ms)
{
    QDeadlineTimer deadline(ms);
    runUntil([&deadline] { return deadline.hasExpired(); });
}

// What the system might list on a desk with two USB adapters and a built-in port, so that the
// Ports window shows every column filled as it does there.
QList<velnor::PortDevice> deskPorts()
{
    const auto adapter = [](const char* device, const char* product, const char* maker,
                            const char* serial, const char* byId) {
        velnor::PortDevice port;
        port.device = QString::fromLatin1(device);
        port.description = QString::fromLatin1(product);
        port.manufacturer = QString::fromLatin1(maker);
        port.serialNumber = QString::fromLatin1(serial);
        port.byId = QStringLiteral("/dev/serial/by-id/") + QString::fromLatin1(byId);
        return port;
    };
    velnor::PortDevice builtIn;
    builtIn.device = QStringLiteral("/dev/ttyS0");
    return {adapter("/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3J7Q",
                    "usb-FTDI_FT232R_USB_UART_A10K3J7Q-if00-port0"),
            adapter("/dev/ttyUSB1", "USB Serial", "1a86", "", "usb-1a86_USB_Serial-if00-port0"),
            builtIn};
}

bool save(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    return widget.grab().save(path);
}

// The main window and the watch's log side by side, as a user would place them.
bool saveSideBySide(QWidget& left, QWidget& right, const QString& path)
{
    QApplication::processEvents();
    const QPixmap a = left.grab();
    const QPixmap b = right.grab();
    constexpr int kGap = 12;
    QPixmap both(a.width() + kGap + b.width(), qMax(a.height(), b.height()));
    both.fill(QColor(0xd4, 0xd0, 0xc8));
    QPainter painter(&both);
    painter.drawPixmap(0, 0, a);
    painter.drawPixmap(a.width() + kGap, 0, b);
    painter.end();
    return both.save(path);
}

} // namespace

int drawLineTools(const QStringList& paths)
{
    QTemporaryDir dir;
    velnor::PtyHost host(kModules, dir.filePath(QStringLiteral("store")));
    QString error;
    if (!host.start(&error)) {
        std::fprintf(stderr, "velnor-screenshot: no emulated line: %s\n", qPrintable(error));
        return 1;
    }
    const velnor::IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    settings.write(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("4"));
    settings.write(QStringLiteral("Settings"), QStringLiteral("Setting"),
                      QStringLiteral("9600,n,8,1"));
    settings.write(QStringLiteral("LCD"), QStringLiteral("UID"), QStringLiteral("101"));
    settings.write(QStringLiteral("Ports"), QStringLiteral("4"), host.slavePath());
    settings.write(QStringLiteral("Ports"), QStringLiteral("2"),
                      QStringLiteral("/dev/ttyUSB0"));

    velnor::QtMessageSink messages;
    const auto panel = velnor::Panel::onSerialPorts(messages, velnor::portMapOf(settings));
    velnor::MainWindow window(*panel, settings);
    messages.setParentWindow(&window);
    window.show();

    // Module 125 keeps 4800 from its next power-up on, as a configuration save leaves it.
    velnor::FrameLink& link = panel->link();
    link.send(velnor::frames::select(kSlow));
    link.send(velnor::frames::baudRate(false));
    link.send(velnor::frames::saveToNonVolatileMemory());
    pause(300);
    host.line().powerUp();

    velnor::PortsWindow ports(settings, &deskPorts);
    ports.show();
    if (!save(ports, paths.at(0)))
        return 1;
    ports.close();

    window.findChild<QAction*>(QStringLiteral("findModulesAction"))->trigger();
    auto* find = window.findChild<velnor::FindModulesWindow*>();
    if (!find || !runUntil([find] { return !find->scan().isRunning(); }))
        return 1;
    find->findChild<QCheckBox*>(QStringLiteral("bothSpeedsBox"))->setChecked(true);
    find->search();
    if (!runUntil([find] { return !find->scan().isRunning(); }) || !save(*find, paths.at(1)))
        return 1;
    find->close();

    // A switch or two flipped on module 101 while the watch runs.
    window.findChild<QAbstractButton*>(QStringLiteral("selectButton"))->click();
    runUntil([&panel] { return !panel->exchanges().isRunning(); });
    window.findChild<QCheckBox*>(QStringLiteral("watchBox"))->click();
    for (quint8 inputs : {0xF5, 0xF4, 0xB4, 0xB6}) {
        host.line().setInputs(0, inputs);
        pause(450);
    }
    auto* watch = window.findChild<QWidget*>(QStringLiteral("watchWindow"));
    return watch && saveSideBySide(window, *watch, paths.at(2)) ? 0 : 1;
}
