#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "link/ConfigLink.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "link/Receiver.h"
#include "link/TrafficMonitor.h"
#include "link/WaitGate.h"
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

// The main window's link and receiver on fakes, and the configuration window's line on a
// port and tick of its own, sharing the variables as the two windows do.
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

    FakeSerialPort configPort;
    FakeTickSource configTicks;
    ConfigLink config{vars, configPort, configTicks, messages};
};

ModuleSetup uploadableSetup()
{
    ModuleSetup setup;
    setup.uid = QStringLiteral("101");
    setup.bitmaps.fill(QStringLiteral("1"));
    return setup;
}

QList<UploadStep> upload()
{
    return std::get<QList<UploadStep>>(planUpload(uploadableSetup()));
}

} // namespace

class tst_Exchanges final : public QObject
{
    Q_OBJECT

private slots:
    void inputStatesUseBitsZeroToThree_data()
    {
        QTest::addColumn<int>("bits1");
        QTest::addColumn<int>("bits2");
        QTest::addColumn<QString>("states"); // inputs 1 to 8, 1 for a set bit
        QTest::newRow("0F 00") << 0x0F << 0x00 << QStringLiteral("11110000");
        QTest::newRow("F0 FF, high bits ignored") << 0xF0 << 0xFF << QStringLiteral("00001111");
        QTest::newRow("05 0A") << 0x05 << 0x0A << QStringLiteral("10100101");
    }

    void inputStatesUseBitsZeroToThree()
    {
        QFETCH(int, bits1);
        QFETCH(int, bits2);
        QFETCH(QString, states);
        QString got;
        for (bool set : inputStates(quint8(bits1), quint8(bits2)))
            got += set ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(got, states);
    }

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

    void selectThenDeselect()
    {
        Rig rig;
        rig.answer("\xee\x69");
        QVERIFY(rig.exchanges.select(0x69));
        QCOMPARE(rig.port.written(), QByteArray("\xef\x69"));
        QCOMPARE(int(rig.vars.DeviceAddr), 0x69);

        // A silent module still counts as released right after its select was acknowledged.
        rig.port.peer = nullptr;
        rig.port.writes.clear();
        QVERIFY(rig.exchanges.deselect());
        QCOMPARE(rig.port.written(), QByteArray("\xea"));

        rig.vars.RxFlag = 0;
        QVERIFY(!rig.exchanges.deselect());
        QVERIFY(!rig.exchanges.select(0x6a));
        QCOMPARE(int(rig.vars.DeviceAddr), 0x6a);
    }

    void uploadWalksThePlanOneTickAfterEachWait()
    {
        Rig rig;
        QSignalSpy finished(&rig.config, &ConfigLink::finished);
        const QList<UploadStep> steps = upload();
        QVERIFY(rig.config.start(steps));
        QVERIFY(!WaitGate(rig.vars).isOpen());
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), true);

        QByteArray expected;
        for (const UploadStep& step : steps)
            expected += step.bytes;
        QCOMPARE(rig.configPort.written(), expected);
        QCOMPARE(rig.configTicks.ticksEmitted, 14);
        QVERIFY(!rig.configTicks.isActive());
        QVERIFY(WaitGate(rig.vars).isOpen());
        QVERIFY(rig.port.writes.isEmpty());
    }

    void uploadStopsAtTheFirstFailedSend_data()
    {
        QTest::addColumn<int>("failWritesAfter");
        QTest::addColumn<int>("ticks");
        QTest::newRow("port will not open") << 0 << 0;
        QTest::newRow("write fails after the baud frame") << 3 << 1;
    }

    void uploadStopsAtTheFirstFailedSend()
    {
        QFETCH(int, failWritesAfter);
        QFETCH(int, ticks);
        Rig rig;
        rig.configPort.refuseOpen = failWritesAfter == 0;
        rig.configPort.failWritesAfter = failWritesAfter;
        QSignalSpy finished(&rig.config, &ConfigLink::finished);
        QVERIFY(rig.config.start(upload()));
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(rig.messages.texts, QStringList{FrameLink::kPortNotAvailable});
        QCOMPARE(rig.configTicks.ticksEmitted, ticks);
        QVERIFY(WaitGate(rig.vars).isOpen());
    }

    void stoppedUploadSendsNothingMore()
    {
        Rig rig;
        QSignalSpy finished(&rig.config, &ConfigLink::finished);
        connect(&rig.configTicks, &TickSource::tick, this, [&] {
            if (rig.configTicks.ticksEmitted == 2)
                rig.config.stop();
        });
        QVERIFY(rig.config.start(upload()));
        QTRY_COMPARE(finished.size(), 1);
        // Up to the start-up screen, which the second tick let out; no bitmaps.
        QCOMPARE(rig.configPort.written(), QByteArray("\x0c"
                                                      "Configuring.."
                                                      "\xfe\x1f\xfe\x30\x65\xfe\xc8") +
                                               QByteArray(32, ' '));
        QCOMPARE(rig.configTicks.ticksEmitted, 2);
        QVERIFY(!rig.configTicks.isActive());
        QVERIFY(WaitGate(rig.vars).isOpen());
    }

    void theGateKeepsWaitsApart()
    {
        // While an upload runs, the main window's wait does not start and no second upload
        // does; while the main window waits, no upload starts.
        Rig rig;
        QSignalSpy finished(&rig.config, &ConfigLink::finished);
        QVERIFY(rig.config.start(upload()));
        QVERIFY(!rig.config.start(upload()));
        rig.link.WaitTicks(10);
        QCOMPARE(rig.ticks.ticksEmitted, 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);

        bool started = true;
        connect(&rig.ticks, &TickSource::tick, this,
                [&] { started = rig.config.start(upload()); });
        rig.link.WaitTicks(1);
        QVERIFY(!started);
        QVERIFY(rig.configPort.writes.size() > 0);
    }
};

QTEST_GUILESS_MAIN(tst_Exchanges)
#include "tst_exchanges.moc"
