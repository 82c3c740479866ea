#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "link/ConfigLink.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "link/Hex.h"
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

// The main window's link, receiver and exchanges on fakes, as the window and velnor-cli use
// them.
struct Rig
{
    // The module answers the next frame once it is written; the threshold each byte went out
    // with is noted.
    void answer(const QByteArray& reply)
    {
        port.peer = [this, reply](const QByteArray&) {
            thresholds.append(port.rThreshold());
            if (!reply.isEmpty())
                QTimer::singleShot(0, &port, [this, reply] { port.feed(reply); });
        };
    }

    Variables vars;
    FakeSerialPort port;
    FakeTickSource ticks;
    FakeMessageSink messages;
    TrafficMonitor monitor;
    FrameLink link{vars, port, ticks, messages, monitor};
    QList<int> thresholds;
};

} // namespace

class tst_FrameLink final : public QObject
{
    Q_OBJECT

private slots:
    void framesGoOutOneByteAtATimeOnAPortOpenedOnce()
    {
        Rig rig;
        rig.monitor.appendRx("\xee\x64");
        rig.port.setSettings(QStringLiteral("4800,n,8,1"));
        rig.link.SendFrame(0); // opens, writes nothing, empties the monitor
        QVERIFY(rig.port.portOpen());
        QCOMPARE(rig.monitor.rxText(), QString());

        rig.port.setRThreshold(2);
        rig.port.feed("\x05"); // a stray byte from before a frame is not kept for its answer
        rig.vars.TxData = {0xEF, 0x64, 0x99};
        rig.link.SendFrame(2);
        QCOMPARE(rig.port.inBufferCount(), 0);
        QCOMPARE(rig.port.writes, QByteArrayList({"\xef", "\x64"}));
        QCOMPARE(rig.monitor.txText(), QStringLiteral("EF 64 "));
        QCOMPARE(rig.port.opens, 1);
        QCOMPARE(rig.port.openedSettings, QStringLiteral("4800,n,8,1"));

        rig.vars.TxText = QByteArray("\x0dHi\x0cYo");
        rig.link.SendText(QStringLiteral("Hi [0x12] Yo")); // a text goes out in one write
        QCOMPARE(rig.port.writes.last(), rig.vars.TxText);
        QCOMPARE(rig.monitor.txText(), QStringLiteral("Hi [0x12] Yo"));
        QVERIFY(rig.messages.texts.isEmpty());
    }

    void failuresShowOneMessageWithTheReason_data()
    {
        QTest::addColumn<bool>("refuseOpen");
        QTest::addColumn<int>("failWritesAfter");
        QTest::addColumn<qint16>("count");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("detail");
        const QString reason = QStringLiteral("/dev/ttyUSB0: Permission denied");
        QTest::newRow("port will not open") << true << -1 << qint16(2) << QByteArray() << reason;
        QTest::newRow("write fails midway")
            << false << 1 << qint16(3) << QByteArray("\x11") << reason;
        QTest::newRow("count past the buffer")
            << false << -1 << qint16(80) << QByteArray(71, '\x11')
            << QStringLiteral("a frame of 80 bytes does not fit the 71-byte transmit buffer");
    }

    void failuresShowOneMessageWithTheReason()
    {
        QFETCH(bool, refuseOpen);
        QFETCH(int, failWritesAfter);
        QFETCH(qint16, count);
        QFETCH(QByteArray, sent);
        QFETCH(QString, detail);

        Rig rig;
        rig.vars.TxData.fill(0x11);
        rig.port.refuseOpen = refuseOpen;
        rig.port.failWritesAfter = failWritesAfter;
        rig.port.failureReason = QStringLiteral("/dev/ttyUSB0: Permission denied");
        rig.link.SendFrame(count);

        QCOMPARE(rig.messages.texts, QStringList{QStringLiteral("SELECTED PORT NOT AVAILABLE!")});
        QCOMPARE(rig.messages.details, QStringList{detail});
        QCOMPARE(rig.port.written(), sent);
        QCOMPARE(rig.monitor.txText(), velnor::hexItems(sent));
    }

    void waitLastsItsTicksEvenWhenTheAnswerComesEarly()
    {
        Rig rig;
        rig.link.WaitTicks(0);
        QCOMPARE(rig.ticks.starts, 0);

        rig.vars.DeviceAddr = 100;
        rig.port.setRThreshold(2);
        Receiver receiver(rig.vars, rig.port, rig.monitor);
        int ticksAtAnswer = -1;
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (rig.ticks.ticksEmitted == 1)
                QTimer::singleShot(0, this, [&] {
                    rig.port.feed("\xee\x64");
                    ticksAtAnswer = rig.ticks.ticksEmitted;
                });
        });
        rig.link.WaitTicks(10);
        QCOMPARE(ticksAtAnswer, 1);
        QCOMPARE(rig.vars.RxFlag, qint16(-1));
        QCOMPARE(rig.monitor.rxText(), QStringLiteral("EE 64 "));
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.vars.TickCount, qint16(10));
        QVERIFY(!rig.ticks.isActive());
        QVERIFY(!rig.vars.isWaiting());
    }

    void aWaitAskedForDuringAnotherReturnsAtOnce()
    {
        // Another window's wait, and a wait started from inside this wait's own tick, would
        // hold this one up (or, on the same tick, never end): both return at once instead.
        Rig rig;
        FakeTickSource otherTicks;
        FrameLink other(rig.vars, rig.port, otherTicks, rig.messages, rig.monitor);
        int outerTicksAfterInner = -1;
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (rig.ticks.ticksEmitted != 3)
                return;
            other.WaitTicks(500);
            rig.link.WaitTicks(500);
            outerTicksAfterInner = rig.ticks.ticksEmitted;
        });
        rig.link.WaitTicks(10);
        QCOMPARE(outerTicksAfterInner, 3);
        QCOMPARE(otherTicks.ticksEmitted, 0);
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.vars.TickCount, qint16(10));
        QVERIFY(!otherTicks.isActive() && !rig.ticks.isActive());
        QCOMPARE(rig.vars.WaitsRunning, 0);
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
        rig.port.setRThreshold(2);
        Receiver receiver(rig.vars, rig.port, rig.monitor);
        Exchanges exchanges(rig.vars, rig.link, rig.port);
        rig.vars.DeviceAddr = 0x69;
        rig.vars.RxFlag = -1; // left by the select; the read must not take it for its answer
        rig.port.refuseOpen = refuseOpen;
        rig.answer(reply);

        const std::optional<InputStates> states = exchanges.readInputs();
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

QTEST_GUILESS_MAIN(tst_FrameLink)
#include "tst_framelink.moc"
