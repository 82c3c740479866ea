#include "FakeMessageSink.h"
#include "FakeSerialPort.h"
#include "FakeTickSource.h"
#include "link/FrameLink.h"
#include "link/Hex.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"

#include <QTest>
#include <QTimer>

using namespace velnor;
using velnor::test::FakeMessageSink;
using velnor::test::FakeSerialPort;
using velnor::test::FakeTickSource;

class tst_FrameLink final : public QObject
{
    Q_OBJECT

    struct Rig
    {
        Variables vars;
        FakeSerialPort port;
        FakeTickSource ticks;
        FakeMessageSink messages;
        TrafficMonitor monitor;
        FrameLink link{vars, port, ticks, messages, monitor};

        void load(std::initializer_list<quint8> bytes)
        {
            size_t i = 0;
            for (quint8 b : bytes)
                vars.TxData[i++] = b;
        }
    };

private slots:
    void hexItems_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("zero") << QByteArray(1, '\0') << QStringLiteral("00 ");
        QTest::newRow("below 16") << QByteArray("\x0f") << QStringLiteral("0F ");
        QTest::newRow("16") << QByteArray("\x10") << QStringLiteral("10 ");
        QTest::newRow("7F and 80") << QByteArray("\x7f\x80") << QStringLiteral("7F 80 ");
        QTest::newRow("select broadcast") << QByteArray("\xef\x64") << QStringLiteral("EF 64 ");
        QTest::newRow("top bytes") << QByteArray("\xfe\xff") << QStringLiteral("FE FF ");
        QTest::newRow("letters") << QByteArray("Ab") << QStringLiteral("41 62 ");
    }

    void hexItems()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(velnor::hexItems(bytes), text);
    }

    void sendsOneWritePerByteAndShowsThem()
    {
        Rig rig;
        rig.monitor.appendRx("\xee\x64");
        rig.load({0xEF, 0x64, 0x99});
        rig.link.SendFrame(2);
        QCOMPARE(rig.port.writes, QByteArrayList({QByteArray("\xef"), QByteArray("\x64")}));
        QCOMPARE(rig.monitor.txText(), QStringLiteral("EF 64 "));
        QCOMPARE(rig.monitor.rxText(), QString());
        QVERIFY(rig.messages.texts.isEmpty());
    }

    void emptyFrameOpensThePortAndWritesNothing()
    {
        Rig rig;
        rig.monitor.appendTx("\x01");
        rig.link.SendFrame(0);
        QVERIFY(rig.port.portOpen());
        QVERIFY(rig.port.writes.isEmpty());
        QCOMPARE(rig.monitor.txText(), QString());
    }

    void opensOnDemandOnlyOnce()
    {
        Rig rig;
        rig.port.setSettings(QStringLiteral("4800,n,8,1"));
        rig.port.setCommPort(7);
        rig.load({0x0D});
        rig.link.SendFrame(1);
        rig.link.SendFrame(1);
        QCOMPARE(rig.port.opens, 1);
        QCOMPARE(rig.port.openedSettings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(rig.port.openedPort, 7);
        QCOMPARE(rig.port.written(), QByteArray("\x0d\x0d"));
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
            << false << 1 << qint16(3) << QByteArray("\xfe") << reason;
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
        rig.load({0xFE, 0x33, 0x01});
        if (count > 3)
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

    void textGoesOutInOneWrite()
    {
        Rig rig;
        rig.vars.TxText = QByteArray("\x0dHello\x0cWorld");
        rig.link.SendText();
        QCOMPARE(rig.port.writes, QByteArrayList{rig.vars.TxText});
        QCOMPARE(rig.monitor.txText(), velnor::hexItems(rig.vars.TxText));
    }

    void waitLastsItsTicksEvenWhenTheAnswerComesEarly()
    {
        Rig rig;
        rig.vars.TickCount = 77;
        int ticksAtAnswer = -1;
        // The answer comes after the first tick; the wait must still run all ten.
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (rig.ticks.ticksEmitted == 1)
                QTimer::singleShot(0, this, [&] {
                    ticksAtAnswer = rig.ticks.ticksEmitted;
                    QVERIFY(rig.vars.isWaiting());
                });
        });
        rig.link.WaitTicks(10);
        QCOMPARE(ticksAtAnswer, 1);
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.vars.TickCount, qint16(10));
        QVERIFY(!rig.ticks.isActive());
        QVERIFY(!rig.vars.isWaiting());
    }

    void zeroWaitReturnsAtOnce()
    {
        Rig rig;
        rig.link.WaitTicks(0);
        QCOMPARE(rig.ticks.starts, 0);
        QCOMPARE(rig.vars.TickCount, qint16(0));
    }

    void anotherWaitOnTheSharedCounterDoesNotStretchThisOne()
    {
        // The configuration window's wait resets and counts the shared counter too; each wait
        // still ends after its own number of ticks.
        Rig rig;
        FakeTickSource otherTicks;
        FrameLink other(rig.vars, rig.port, otherTicks, rig.messages, rig.monitor);
        int innerTicks = -1;
        connect(&rig.ticks, &TickSource::tick, this, [&] {
            if (rig.ticks.ticksEmitted == 3) {
                other.WaitTicks(5);
                innerTicks = otherTicks.ticksEmitted;
            }
        });
        rig.link.WaitTicks(10);
        QCOMPARE(innerTicks, 5);
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QVERIFY(!otherTicks.isActive());
        QVERIFY(!rig.ticks.isActive());
        QCOMPARE(rig.vars.WaitsRunning, 0);
    }
};

QTEST_GUILESS_MAIN(tst_FrameLink)
#include "tst_framelink.moc"
