#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "link/FrameLink.h"
#include "link/Hex.h"
#include "link/Receiver.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"

#include <QTest>
#include <QTimer>

using namespace velnor;
using velnor::test::FakeMessageSink;
using velnor::test::FakeSerialPort;
using velnor::test::FakeTickSource;

namespace {

struct Rig
{
    Variables vars;
    FakeSerialPort port;
    FakeTickSource ticks;
    FakeMessageSink messages;
    TrafficMonitor monitor;
    FrameLink link{vars, port, ticks, messages, monitor};
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
};

QTEST_GUILESS_MAIN(tst_FrameLink)
#include "tst_framelink.moc"
