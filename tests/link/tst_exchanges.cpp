#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "link/ConfigLink.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "link/Receiver.h"
#include "link/TrafficMonitor.h"
#include "protocol/UploadPlan.h"
#include "shared/Variables.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace velnor;
using velnor::test::FakeMessageSink;
using velnor::test::FakeSerialPort;
using velnor::test::FakeTickSource;

namespace {

// The main window's link and receiver on fakes, as the window and velnor-cli use them.
struct Rig
{
    Rig()
    {
        port.setRThreshold(2);
        // The threshold each frame went out with.
        port.peer = [this](const QByteArray&) { thresholds.append(port.rThreshold()); };
    }
    // The module answers the next frame once it is written.
    void answer(const QByteArray& reply)
    {
        port.peer = [this, reply](const QByteArray&) {
            thresholds.append(port.rThreshold());
            QTimer::singleShot(0, &port, [this, reply] { port.feed(reply); });
        };
    }

    Variables vars;
    FakeSerialPort port;
    FakeTickSource ticks;
    FakeMessageSink messages;
    TrafficMonitor monitor;
    FrameLink link{vars, port, ticks, messages, monitor};
    Receiver receiver{vars, port, monitor};
    Exchanges exchanges{vars, link, port};
    QList<int> thresholds;
};

} // namespace

// Selects, deselects, input states and the upload's steps are checked through the windows and
// velnor-cli; here what they cannot reach: the input read's threshold and refused port, and the
// gate of an upload started by no click.
class tst_Exchanges final : public QObject
{
    Q_OBJECT

private slots:
    void readInputs_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("refuseOpen");
        QTest::addColumn<bool>("answered");
        QTest::newRow("answer") << QByteArray("\xee\x69\x05\x0a") << false << true;
        QTest::newRow("no answer") << QByteArray() << false << false;
        QTest::newRow("another address") << QByteArray("\xee\x6a\x05\x0a") << false << false;
        QTest::newRow("port will not open") << QByteArray() << true << false;
    }

    void readInputs()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, refuseOpen);
        QFETCH(bool, answered);
        Rig rig;
        rig.vars.DeviceAddr = 0x69;
        rig.vars.RxFlag = -1; // left by the select; the read must not take it for its answer
        rig.port.refuseOpen = refuseOpen;
        if (!reply.isEmpty())
            rig.answer(reply);

        const std::optional<InputStates> states = rig.exchanges.readInputs();
        QCOMPARE(states.has_value(), answered);
        if (answered)
            QCOMPARE(*states, inputStates(0x05, 0x0A));
        // The answer is read as four bytes only while the read waits, whatever the outcome.
        QCOMPARE(rig.thresholds, refuseOpen ? QList<int>() : QList<int>({4, 4}));
        QCOMPARE(rig.port.rThreshold(), 2);
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.vars.RxFlag, answered ? qint16(-1) : qint16(0));
    }

    void theGateKeepsWaitsApart()
    {
        // While an upload runs, the main window's wait does not start and no second upload
        // does; while the main window waits, no upload starts.
        Rig rig;
        FakeSerialPort configPort;
        FakeTickSource configTicks;
        ConfigLink config{rig.vars, configPort, configTicks, rig.messages};
        ModuleSetup setup;
        setup.uid = QStringLiteral("101");
        setup.bitmaps.fill(QStringLiteral("1"));
        const auto steps = std::get<QList<UploadStep>>(planUpload(setup));
        QSignalSpy finished(&config, &ConfigLink::finished);
        QVERIFY(config.start(steps));
        QVERIFY(!config.start(steps));
        rig.link.WaitTicks(10);
        QCOMPARE(rig.ticks.ticksEmitted, 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);

        bool started = true;
        connect(&rig.ticks, &TickSource::tick, this, [&] { started = config.start(steps); });
        rig.link.WaitTicks(1);
        QVERIFY(!started);
    }
};

QTEST_GUILESS_MAIN(tst_Exchanges)
#include "tst_exchanges.moc"
