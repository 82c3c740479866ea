#include "FakeMessageSink.h"
#include "app/frmMain.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/ConfigLink.h"
#include "link/QtSerialPort.h"
#include "link/QtTickSource.h"
#include "settings/IniFile.h"
#include "shared/Variables.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velnor;
using velnor::test::FakeMessageSink;

namespace {

// Modules 101 and 102 on an emulated line, and the panel on the other end of it, as a user
// would run them: real port, real 10 ms ticks, off screen.
struct Bench
{
    Bench()
        : settings(dir.filePath(QStringLiteral("velnor.ini"))),
          host({101, 102}, dir.filePath(QStringLiteral("store")))
    {
        host.setLinkPath(dir.filePath(QStringLiteral("line")));
        QString error;
        started = host.start(&error);
        if (!started) {
            qWarning("emulator did not start: %s", qPrintable(error));
            return;
        }
        settings.WriteIni(QStringLiteral("Settings"), QStringLiteral("CommPort"),
                          QStringLiteral("4"));
        settings.WriteIni(QStringLiteral("Settings"), QStringLiteral("Setting"),
                          QStringLiteral("9600,n,8,1"));
        settings.WriteIni(QStringLiteral("LCD"), QStringLiteral("UID"), QStringLiteral("101"));
        settings.WriteIni(QStringLiteral("Ports"), QStringLiteral("4"), host.devicePath());
        port = std::make_unique<QtSerialPort>(settings);
        configPort = std::make_unique<QtSerialPort>(settings);
        window = std::make_unique<frmMain>(vars, settings, *port, ticks, messages,
                                           frmMain::ConfigLine{*configPort, configTicks});
    }

    template <typename T = QWidget> T* child(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QString status() const { return child<QLabel>("StatusBar1Panel1")->text(); }
    QString tx() const { return child<QLabel>("lblTxData")->text(); }
    QString rx() const { return child<QLabel>("lblRxData")->text(); }
    void click(const char* name) const { child<QAbstractButton>(name)->click(); }
    void pick(const char* address) const
    {
        child<QComboBox>("cboAddr")->setCurrentText(QLatin1String(address));
    }
    const Module& module(int index) const { return host.line().module(index); }

    QTemporaryDir dir;
    IniFile settings;
    PtyHost host;
    bool started = false;
    Variables vars;
    std::unique_ptr<QtSerialPort> port;
    QtTickSource ticks;
    std::unique_ptr<QtSerialPort> configPort;
    QtTickSource configTicks{ConfigLink::kTickMs};
    FakeMessageSink messages;
    std::unique_ptr<frmMain> window;
};

} // namespace

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
