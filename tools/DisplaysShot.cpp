#include "DisplaysShot.h"

#include "app/DisplaysWindow.h"
#include "app/MainWindow.h"
#include "emulator/PtyHost.h"
#include "emulator/window/EmulatorWindow.h"
#include "link/Panel.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "widgets/QtMessageSink.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

namespace velnor {

int drawDisplays(const QString& path)
{
    QTemporaryDir dir;
    PtyHost host({101, 102, 103}, dir.filePath(QStringLiteral("store")));
    QString error;
    if (!host.start(&error)) {
        std::fprintf(stderr, "velnor-screenshot: no emulated line: %s\n", qPrintable(error));
        return 1;
    }
    const IniFile settings(dir.filePath(QStringLiteral("velnor.ini")));
    settings.write(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("1"));
    settings.write(QStringLiteral("Settings"), QStringLiteral("Setting"),
                   QStringLiteral("9600,n,8,1"));
    settings.write(QStringLiteral("Ports"), QStringLiteral("1"), host.devicePath());
    QtMessageSink messages;
    const auto panel = Panel::onSerialPorts(messages, portMapOf(settings));
    MainWindow window(*panel, settings);
    window.show();
    const auto step = [&window, &panel](const char* name, const QString& text = {}) {
        if (auto* line = window.findChild<QLineEdit*>(QLatin1String(name)))
            line->setText(text);
        else if (auto* list = window.findChild<QComboBox*>(QLatin1String(name)))
            list->setCurrentText(text);
        else
            window.findChild<QAbstractButton*>(QLatin1String(name))->click();
        while (panel->exchanges().isRunning() || !panel->gate().isOpen())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    // 101 gets two rows of text and a blinking cursor; 103 its second row cleared and custom
    // character 1 (never uploaded) written there, its first row never written; 102 is never
    // addressed.
    step("addressList", QStringLiteral("101"));
    step("selectButton");
    step("line1Box", QStringLiteral("Hello,"));
    step("line2Box", QStringLiteral("world!"));
    step("sendTextButton");
    step("cursorStyle_1");
    step("deselectButton");
    step("addressList", QStringLiteral("103"));
    step("selectButton");
    step("rowList", QStringLiteral("1"));
    step("clearRowButton");
    step("customCharButton_0");
    step("backlight_1");
    step("outputList", QStringLiteral("3"));
    step("outputStateList", QStringLiteral("ON"));
    step("setOutputButton");
    // Until the emulator has read every byte off its end of the line.
    QDeadlineTimer settled(300);
    while (!settled.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    window.findChild<QAction*>(QStringLiteral("displaysAction"))->trigger();
    auto* displays = window.findChild<DisplaysWindow*>();
    displays->refresh();
    EmulatorWindow emulator(host.line());
    emulator.show();
    // Tall enough for the three modules, the displays window beside it as tall.
    emulator.resize(emulator.width(), 900);
    displays->resize(displays->width(), 900);
    QApplication::processEvents();
    const QPixmap left = displays->grab();
    const QPixmap right = emulator.grab();
    QPixmap both(left.width() + 16 + right.width(), qMax(left.height(), right.height()));
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + 16, 0, right);
    painter.end();
    return both.save(path) ? 0 : 1;
}

} // namespace velnor
