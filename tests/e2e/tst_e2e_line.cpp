#include "E2eBench.h"
#include "app/DisplaysWindow.h"
#include "app/FindModulesWindow.h"
#include "app/InputWatchWindow.h"
#include "app/PortsWindow.h"
#include "link/ModuleScan.h"
#include "protocol/Frames.h"

#include <QAction>
#include <QCheckBox>
#include <QHelpEvent>
#include <QComboBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>

using namespace velnor;
using velnor::test::Bench;
using velnor::test::indicatorColours;

// Searching the line and watching the inputs, from the main window over a real port to the
// emulated modules.
class tst_E2eLine final : public QObject
{
    Q_OBJECT

private slots:
    void findModulesWindow()
    {
        Bench bench({117});
        QVERIFY(bench.started);
        // A module selected before the search, so that its command groups are open.
        bench.child<QComboBox>("addressList")->setCurrentText(QStringLiteral("117"));
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("117 Connected"));
        auto* find = bench.window->findChild<QAction*>(QStringLiteral("findModulesAction"));
        QVERIFY(find);
        find->trigger();
        auto* window = bench.window->findChild<FindModulesWindow*>();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->scan().isRunning());
        QSignalSpy finished(&window->scan(), &ModuleScan::finished);
        // The main window's clicks are held while the search runs.
        bench.child<QAbstractButton>("allOnButton")->click();
        QVERIFY(finished.wait(60000));
        QVERIFY(!bench.heard.contains(frames::allOutputsOn()));
        // The search deselected every module that answered: none counts as selected any more.
        QCOMPARE(bench.status(), QStringLiteral("Disconnected"));
        QVERIFY(bench.child<QAbstractButton>("selectButton")->isEnabled());
        QVERIFY(!bench.child<QWidget>("outputGroup")->isEnabled());

        auto* list = window->findChild<QTreeWidget*>(QStringLiteral("lstModules"));
        QCOMPARE(list->topLevelItemCount(), ModuleScan::kAddresses);
        QTreeWidgetItem* first = list->topLevelItem(0);
        QCOMPARE(first->text(0), QStringLiteral("117"));
        QCOMPARE(first->text(1), QStringLiteral("answered"));
        // What came back may be longer than its column shows: its tooltip holds it all.
        QCOMPARE(first->toolTip(3), QStringLiteral("EE 75 at 9600"));
        // The Displays window lists the module that answered, its display unknown, and none of
        // the silent addresses the search tried.
        bench.window->findChild<QAction*>(QStringLiteral("displaysAction"))->trigger();
        const LineMirror& mirror = bench.window->findChild<DisplaysWindow*>()->feed().mirror();
        QCOMPARE(mirror.listed(), QList<quint8>{117});
        QCOMPARE(mirror.screen(117).rowText(0), QString(16, u'?'));
        emit list->itemActivated(first, 0);
        QCOMPARE(bench.child<QComboBox>("addressList")->currentText(), QStringLiteral("117"));
        bench.click("selectButton");
        QCOMPARE(bench.status(), QStringLiteral("117 Connected"));
        // Port 4 names the emulator's link: its entry and the status bar say so, the bar
        // naming the settings file after it, once a tooltip is asked for.
        QHelpEvent hover(QEvent::ToolTip, {}, {});
        QCoreApplication::sendEvent(bench.child<QComboBox>("portList"), &hover);
        const QString tip =
            bench.child<QComboBox>("portList")->itemData(3, Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(bench.host.devicePath()), qPrintable(tip));
        QCOMPARE(bench.child<QLabel>("statusText")->toolTip(),
                 tip + QStringLiteral("\nSettings: ") + bench.settings.path());
        // Searching again stops a running watch of the inputs first, as any command does.
        auto* watch = bench.child<QCheckBox>("watchBox");
        watch->click();
        QVERIFY(watch->isChecked() && !bench.panel->gate().isOpen());
        window->findChild<QAbstractButton*>(QStringLiteral("searchButton"))->click();
        QVERIFY(!watch->isChecked());
        QVERIFY(window->scan().isRunning());
        window->scan().cancel();
    }

    void portsFromTheMenu()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        bench.window->findChild<QAction*>(QStringLiteral("portsAction"))->trigger();
        auto* ports = bench.window->findChild<PortsWindow*>();
        QVERIFY(ports && ports->isVisible());
        // The emulator's device, port 4 in the settings, is given port 7 as well: the port
        // list's entry 7 names it at once.
        auto* list = ports->findChild<QTreeWidget*>(QStringLiteral("lstPorts"));
        const QList<QTreeWidgetItem*> rows =
            list->findItems(bench.host.slavePath(), Qt::MatchExactly, 1);
        QCOMPARE(rows.size(), 1);
        rows.first()->setSelected(true);
        ports->findChild<QComboBox*>(QStringLiteral("portNumberList"))->setCurrentIndex(6);
        ports->assignSelected();
        const QString tip =
            bench.child<QComboBox>("portList")->itemData(6, Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(bench.host.slavePath()), qPrintable(tip));
    }

    void watch()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        bench.host.line().setInputs(0, 0x0F);
        bench.click("selectButton");
        auto* box = bench.child<QCheckBox>("watchBox");
        QVERIFY(box && box->isEnabled());
        box->click();
        // Any interval the user types, in milliseconds, restarts the watch with it; the reads
        // themselves take longer.
        bench.child<QSpinBox>("watchIntervalBox")->setValue(30);
        QCOMPARE(bench.window->findChild<InputWatchWindow*>()->watch().intervalMs(), 30);
        QTRY_COMPARE_WITH_TIMEOUT(indicatorColours(*bench.window), QStringLiteral("WWWWRRRR"),
                                  10000);
        // A switch flipped on the module shows in the squares and the log of changes.
        bench.host.line().setInputs(0, 0x8F);
        QTRY_COMPARE_WITH_TIMEOUT(indicatorColours(*bench.window), QStringLiteral("WWWWRRRW"),
                                  10000);
        auto* log = bench.window->findChild<QTreeWidget*>(QStringLiteral("lstChanges"));
        QVERIFY(log);
        QTRY_COMPARE(log->topLevelItemCount(), 2);
        QCOMPARE(log->topLevelItem(0)->text(2), QStringLiteral("11110000"));
        QCOMPARE(log->topLevelItem(1)->text(1), QStringLiteral("8"));
        QCOMPARE(log->topLevelItem(1)->text(2), QStringLiteral("1"));

        // Another command stops the watch and then runs.
        bench.child<QAbstractButton>("allOnButton")->click();
        QVERIFY(!box->isChecked());
        bench.mark();
        QTRY_VERIFY_WITH_TIMEOUT(bench.marked(), 10000);
        QCOMPARE(bench.module(0).outputs(), quint8(0xFF));
        QVERIFY(bench.panel->gate().isOpen());
        const auto reads = bench.heard.count(frames::readInputs());
        bench.mark();
        QTRY_VERIFY_WITH_TIMEOUT(bench.marked(), 10000);
        QCOMPARE(bench.heard.count(frames::readInputs()), reads);
    }
};

QTEST_MAIN(tst_E2eLine)
#include "tst_e2e_line.moc"
