#pragma once

#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "Files.h"
#include "app/MainWindow.h"
#include "link/Panel.h"
#include "settings/IniFile.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace velnor::test {

// The input indicators of a main window, W for white and R for red, in input order.
inline QString indicatorColours(const QWidget& window)
{
    QString colours;
    for (int i = 0; i < 8; ++i) {
        const QColor fill = window.findChild<QFrame*>(QStringLiteral("inputSquare_%1").arg(i))
                                ->palette()
                                .color(QPalette::Active, QPalette::Window);
        colours += fill == QColor(255, 255, 255) ? QLatin1Char('W')
                   : fill == QColor(255, 0, 0)   ? QLatin1Char('R')
                                                 : QLatin1Char('?');
    }
    return colours;
}

// One thing a user does on a window: "name=text" chooses the list entry with that text or fills
// a text box; "name~text" types the text into a list's field, leaving its chosen entry as it
// was; "name:i" clicks member i of a control array; a bare name clicks that button.
inline void doStep(const QWidget& window, const QString& step)
{
    const qsizetype at = step.indexOf(QRegularExpression(QStringLiteral("[=~:]")));
    const QString name = step.left(at);
    const QString value = at < 0 ? QString() : step.mid(at + 1);
    if (at < 0) {
        auto* button = window.findChild<QAbstractButton*>(name);
        QVERIFY2(button, qPrintable(step));
        button->click();
    } else if (step.at(at) == u':') {
        auto* group = window.findChild<QButtonGroup*>(name);
        QVERIFY2(group && group->button(value.toInt()), qPrintable(step));
        group->button(value.toInt())->click();
    } else if (auto* line = window.findChild<QLineEdit*>(name)) {
        line->setText(value);
    } else {
        auto* list = window.findChild<QComboBox*>(name);
        QVERIFY2(list, qPrintable(step));
        if (step.at(at) == u'~') {
            list->setEditText(value);
        } else {
            QVERIFY2(list->findText(value) >= 0, qPrintable(step));
            list->setCurrentIndex(list->findText(value));
        }
    }
}

// Steps separated by blanks, each one's wait run to its end.
inline void doSteps(const QWidget& window, const Panel& panel, const QString& steps)
{
    for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts)) {
        doStep(window, step);
        QVERIFY2(waitsOver(panel), qPrintable(step));
    }
}

// The main window on fakes, started from a settings file with the given contents (or none).
struct MainWindowRig
{
    explicit MainWindowRig(const QByteArray* iniContents)
        : settings(dir.filePath(QStringLiteral("velnor.ini"))),
          panel(messages, fakeLine(), fakeLine()), port(fakePort(panel)), ticks(fakeTicks(panel)),
          configPort(static_cast<FakeSerialPort&>(panel.configPort())),
          configTicks(static_cast<FakeTickSource&>(panel.configTicks()))
    {
        if (iniContents)
            put(settings.path(), *iniContents);
        window = std::make_unique<MainWindow>(panel, settings);
    }

    // In the main window, or in another one such as the configuration window, whose controls
    // are partly named as the main window's.
    template <typename T> T* child(const QString& name, const QWidget* in = nullptr) const
    {
        return (in ? in : window.get())->findChild<T*>(name);
    }

    QString status() const { return child<QLabel>(QStringLiteral("statusText"))->text(); }
    // Clicks and lets the wait it started run to its end.
    void click(const QString& name) const
    {
        child<QAbstractButton>(name)->click();
        QVERIFY2(waitsOver(panel), qPrintable(name));
    }

    QTemporaryDir dir;
    IniFile settings;
    FakeMessageSink messages;
    Panel panel;
    FakeSerialPort& port;
    FakeTickSource& ticks;
    // The configuration window's own port and tick.
    FakeSerialPort& configPort;
    FakeTickSource& configTicks;
    std::unique_ptr<MainWindow> window;
};

} // namespace velnor::test
