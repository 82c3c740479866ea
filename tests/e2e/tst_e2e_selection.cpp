#include "E2eBench.h"

#include <QCheckBox>
#include <QTest>

using namespace velnor;
using velnor::test::Bench;

class tst_E2eSelection final : public QObject
{
    Q_OBJECT

private slots:
    void selectAndDeselectAPresentModule()
    {
        Bench bench;
        QVERIFY(bench.started);
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        QCOMPARE(bench.tx(), QStringLiteral("EF 65 "));
        QCOMPARE(bench.rx(), QStringLiteral("EE 65 "));
        QVERIFY(bench.module(0).ownSelected());
        QVERIFY(!bench.module(1).ownSelected());
        QVERIFY(bench.child("PrintText")->isEnabled());

        bench.click("cmdDeselect");
        QCOMPARE(bench.status(), QStringLiteral("Disconnected"));
        QCOMPARE(bench.tx(), QStringLiteral("EA "));
        QCOMPARE(bench.rx(), QStringLiteral("EE 65 "));
        QVERIFY(!bench.module(0).ownSelected());
        QVERIFY(!bench.child("PrintText")->isEnabled());
        QVERIFY(bench.messages.texts.isEmpty());
    }

    void selectAnAbsentModule()
    {
        Bench bench;
        QVERIFY(bench.started);
        bench.pick("105");
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("Device Not Found"));
        QCOMPARE(bench.tx(), QStringLiteral("EF 69 "));
        QCOMPARE(bench.rx(), QString());
        QVERIFY(!bench.module(0).selected() && !bench.module(1).selected());

        // The module that is there still answers the next select.
        bench.pick("102");
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("102 Connected"));
        QVERIFY(bench.module(1).ownSelected());
    }

    void broadcastModeReachesEveryModuleAndKeepsTheSelection()
    {
        Bench bench;
        QVERIFY(bench.started);
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));

        bench.click("Check1");
        QCOMPARE(bench.tx(), QStringLiteral("EF 64 "));
        QTRY_VERIFY(bench.module(0).broadcastSelected() && bench.module(1).broadcastSelected());
        QVERIFY(bench.module(0).ownSelected());

        bench.click("Check1");
        QCOMPARE(bench.tx(), QStringLiteral("EA 64 "));
        QTRY_VERIFY(!bench.module(0).broadcastSelected() && !bench.module(1).broadcastSelected());
        // A deselect with the broadcast address ends broadcast mode, not the own selection.
        QVERIFY(bench.module(0).ownSelected());
        QCOMPARE(bench.rx(), QString());
    }

    void aPortHeldElsewhereIsReportedAndTheWaitStillRuns()
    {
        Bench bench;
        QVERIFY(bench.started);
        QtSerialPort other(bench.settings);
        other.setCommPort(4);
        QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));

        bench.click("cmdSelect");
        QCOMPARE(bench.messages.texts,
                 QStringList{QStringLiteral("SELECTED PORT NOT AVAILABLE!")});
        QVERIFY2(bench.messages.details.first().contains(QLatin1String("busy")),
                 qPrintable(bench.messages.details.first()));
        QCOMPARE(bench.status(), QStringLiteral("Device Not Found"));
        QCOMPARE(bench.vars.TickCount, qint16(10));

        other.setPortOpen(false); // once it is free, the next frame opens it
        bench.click("cmdSelect");
        QCOMPARE(bench.status(), QStringLiteral("101 Connected"));
        QCOMPARE(bench.messages.texts.size(), 1);
    }
};

QTEST_MAIN(tst_E2eSelection)
#include "tst_e2e_selection.moc"
