#include "E2eBench.h"
#include "LcdSection.h"
#include "app/CommissionWindow.h"
#include "app/LineMenu.h"
#include "config/ConfigWindow.h"
#include "protocol/UploadPlan.h"
#include "settings/ModuleSetupFile.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::Bench;
using velnor::test::waitsOver;

namespace {

// A search, an upload and a wait of a few seconds each: far more than any of them takes.
constexpr int kStepMs = 60000;
const QByteArray kStore = "\xEF\x64\xFE\x20"_ba;

// The commissioning window opened from the Line menu on an emulated line, with a station file
// and the addresses to give; each module is switched off and on once its store frame is in,
// while switchOnStore says so.
struct Run
{
    explicit Run(Bench& onBench, const QString& addresses)
        : bench(onBench), line(onBench.host.line())
    {
        station = bench.dir.filePath(u"station.ini"_s);
        test::put(station, test::lcdSection());
        bench.window->findChild<QAction*>(u"commissionAction"_s)->trigger();
        window = bench.window->findChild<CommissionWindow*>();
        window->findChild<QRadioButton*>(u"setupFromFile"_s)->setChecked(true);
        window->findChild<QLineEdit*>(u"stationFileBox"_s)->setText(station);
        window->findChild<QLineEdit*>(u"addressesBox"_s)->setText(addresses);
        window->findChild<QSpinBox*>(u"timeLimitBox"_s)->setValue(5);
        QObject::connect(&bench.host, &PtyHost::frameReceived, &bench.host, [this] {
            if (switchOnStore && this->bench.heard.endsWith(kStore))
                QTimer::singleShot(0, &line, [this] { line.powerUp(); });
        });
    }

    QString prompt() const { return window->findChild<QLabel*>(u"promptLabel"_s)->text(); }
    QString outcome() const { return window->findChild<QLabel*>(u"outcomeLabel"_s)->text(); }
    void click(const QString& name) const { window->findChild<QPushButton*>(name)->click(); }
    qsizetype rows() const { return window->sheet().rows().size(); }

    Bench& bench;
    Line& line;
    QString station;
    CommissionWindow* window = nullptr;
    bool switchOnStore = true;
};

} // namespace

class tst_E2eCommission final : public QObject
{
    Q_OBJECT

private slots:
    // Three modules, one at a time: a new one stored at 4800 before, one not switched off and
    // on in time and checked again, and a third; the table outlives the window's closing.
    void threeModulesOneAtATime()
    {
        Bench bench(QList<quint8>{});
        QVERIFY(bench.started);
        Run run(bench, u"103-105"_s);
        QVERIFY(run.window->startRun());
        QCOMPARE(run.prompt(), u"Connect the module for address 103 alone, then press Find."_s);
        bool gateHeld = true;
        connect(&run.window->task(), &Commissioning::uploadProgress, this,
                [&] { gateHeld = gateHeld && !bench.panel->gate().isOpen(); });

        run.line.plug(107, 4800);
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(run.rows() == 1, kStepMs);
        QVERIFY2(run.window->sheet().rows().at(0).checked, qPrintable(run.outcome()));
        QCOMPARE(run.line.module(0).address(), quint8(103));
        QCOMPARE(run.line.module(0).baud(), 9600);
        QVERIFY(gateHeld);
        // What the line carried is the configuration window's own upload, then its store.
        ModuleSetup setup = loadModuleSetup(IniFile(run.station));
        setup.uid = u"103"_s;
        QByteArray upload = "\xEF\x64\x0D"
                            "Config. Mode"_ba;
        const auto plan = planUpload(setup);
        for (const UploadStep& step : std::get<QList<UploadStep>>(plan))
            upload += step.bytes;
        const qsizetype opening = bench.heard.indexOf(upload.left(3));
        QCOMPARE(bench.heard.mid(opening, upload.size() + kStore.size()), upload + kStore);
        QCOMPARE(run.line.unplug(0), 1);

        run.switchOnStore = false;
        run.line.plug(101);
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(run.rows() == 2, kStepMs);
        QVERIFY(!run.window->sheet().rows().at(1).checked);
        QVERIFY2(run.outcome().contains(u"still answers at 101 at 9600"_s),
                 qPrintable(run.outcome()));
        run.line.powerUp();
        run.click(u"checkAgainButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(run.window->sheet().rows().at(1).checked, kStepMs);
        QCOMPARE(run.rows(), 2);
        QCOMPARE(run.line.unplug(0), 1);

        run.switchOnStore = true;
        run.line.plug(102);
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(run.rows() == 3, kStepMs);
        QVERIFY(run.window->sheet().rows().at(2).checked);
        QCOMPARE(run.prompt(), u"Every address was given: save the table as CSV."_s);

        run.window->close();
        bench.window->findChild<QAction*>(u"commissionAction"_s)->trigger();
        QCOMPARE(bench.window->findChild<CommissionWindow*>(), run.window);
        QCOMPARE(run.window->findChild<QTableWidget*>()->rowCount(), 3);
        const QString csv = bench.dir.filePath(u"line.csv"_s);
        QVERIFY(run.window->saveCsv(csv));
        const QList<QByteArray> lines = test::contents(csv).split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY2(lines.at(1).startsWith("103,9600,") && lines.at(1).contains(",yes,1 1 1 1"),
                 lines.at(1).constData());

        // An address given in this run goes to another module only on a second Find.
        run.window->findChild<QLineEdit*>(u"addressesBox"_s)->setText(u"104"_s);
        QVERIFY(run.window->startRun());
        const qsizetype heard = bench.heard.size();
        run.click(u"findButton"_s);
        QVERIFY2(run.outcome().contains(u"press Find again"_s), qPrintable(run.outcome()));
        QVERIFY(!run.window->task().isBusy());
        QCOMPARE(bench.heard.size(), heard);
        run.click(u"findButton"_s);
        QVERIFY(run.window->task().isBusy());
        run.click(u"cancelStepButton"_s);
    }

    // A module at the other speed is let go at its own speed when cancelled in the upload or
    // after the store.
    void cancelledAt4800LetsGo()
    {
        Bench bench(QList<quint8>{});
        QVERIFY(bench.started);
        Run run(bench, u"110"_s);
        run.switchOnStore = false;
        run.line.plug(107, 4800);
        QVERIFY(run.window->startRun());
        Commissioning& task = run.window->task();
        const auto cancelAtThree =
            connect(&task, &Commissioning::uploadProgress, run.window, [&](int sent) {
                if (sent == 3)
                    run.window->cancel();
            });
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(run.outcome().contains(u"uploaded but not stored"_s), kStepMs);
        QTRY_VERIFY(!run.line.module(0).selected());
        QVERIFY(waitsOver(*bench.panel));
        disconnect(cancelAtThree);
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(run.prompt().startsWith(u"Switch"_s), kStepMs);
        run.click(u"cancelStepButton"_s);
        QTRY_VERIFY(!run.line.module(0).selected());
        QCOMPARE(run.rows(), 1);
    }

    // Cancelled at each step, the module is left deselected and the window says how far it got;
    // with two modules on the line, nothing is uploaded.
    void cancelAtEachStepAndTwoModules()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        Run run(bench, u"110"_s);
        run.switchOnStore = false;
        QVERIFY(run.window->startRun());
        Commissioning& task = run.window->task();
        const Module& module = run.line.module(0);

        // The configuration window holds the line while it is open: its boxes were taken at
        // Start, and nothing goes out until it is closed.
        bench.window->findChild<QAction*>(u"configAction"_s)->trigger();
        QPointer<QWidget> config = bench.window->configWindow();
        run.click(u"findButton"_s);
        QVERIFY2(run.outcome().startsWith(u"Close the configuration window"_s),
                 qPrintable(run.outcome()));
        QVERIFY(!task.isBusy());
        config->close();
        QTRY_VERIFY(config.isNull());
        QVERIFY(!bench.heard.contains("\xEF\x65")); // the search's first select

        run.click(u"findButton"_s);
        QTRY_VERIFY(bench.heard.contains("\xEF\x66"));
        run.click(u"cancelStepButton"_s);
        QVERIFY2(run.outcome().contains(u"untouched"_s), qPrintable(run.outcome()));
        QTRY_VERIFY(!module.selected());

        const auto cancelAtThree =
            connect(&task, &Commissioning::uploadProgress, run.window, [&](int sent) {
                if (sent == 3)
                    run.window->cancel();
            });
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!task.isBusy(), kStepMs);
        QVERIFY2(run.outcome().contains(u"uploaded but not stored"_s), qPrintable(run.outcome()));
        QTRY_VERIFY(!module.selected());
        QVERIFY(waitsOver(*bench.panel));
        disconnect(cancelAtThree);
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(task.state() == Commissioning::State::StoredNotChecked &&
                                     run.prompt().startsWith(u"Switch"_s),
                                 kStepMs);
        run.click(u"cancelStepButton"_s);
        QVERIFY2(run.outcome().contains(u"stored but not checked"_s), qPrintable(run.outcome()));
        QTRY_VERIFY(!module.selected());
        QVERIFY(waitsOver(*bench.panel));
        QCOMPARE(module.stored().address, quint8(110));
        QCOMPARE(run.rows(), 1);
        QVERIFY(!run.window->sheet().rows().at(0).checked);

        // 110 has its row: only a second Find gives it again.
        run.line.plug(102);
        const qsizetype heard = bench.heard.size();
        run.click(u"findButton"_s);
        QVERIFY(!task.isBusy());
        run.click(u"findButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!task.isBusy(), kStepMs);
        QVERIFY2(run.outcome().contains(u"More than one module answers: 101"_s),
                 qPrintable(run.outcome()));
        QVERIFY(!bench.heard.mid(heard).contains("\xEF\x64\x0D"));
    }
};

QTEST_MAIN(tst_E2eCommission)
#include "tst_e2e_commission.moc"
