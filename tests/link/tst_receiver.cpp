#include "FakeSerialPort.h"
#include "link/Receiver.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"

#include <QTest>

using namespace velnor;
using velnor::test::FakeSerialPort;

class tst_Receiver final : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<int>("rxFlag");
        QTest::addColumn<int>("bits1");
        QTest::addColumn<int>("bits2");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("leftWaiting");

        // DeviceAddr is 100 in every row; input bits start at 0xAA to see them change.
        using L = QByteArrayList;
        QTest::newRow("ack") << 2 << L{"\xee\x64"} << -1 << 0xAA << 0xAA
                             << QStringLiteral("EE 64 ") << 0;
        QTest::newRow("ack from another address")
            << 2 << L{"\xee\x65"} << 0 << 0xAA << 0xAA << QStringLiteral("") << 0;
        QTest::newRow("no ack header")
            << 2 << L{QByteArray("\x00\x64", 2)} << 0 << 0xAA << 0xAA << QStringLiteral("") << 0;
        QTest::newRow("extra byte dropped")
            << 2 << L{"\xee\x64\x12"} << -1 << 0xAA << 0xAA << QStringLiteral("EE 64 ") << 0;
        QTest::newRow("ack in two pieces")
            << 2 << L{"\xee", "\x64"} << -1 << 0xAA << 0xAA << QStringLiteral("EE 64 ") << 0;
        QTest::newRow("two answers together, first counts")
            << 2 << L{"\xee\x65\xee\x64"} << 0 << 0xAA << 0xAA << QStringLiteral("") << 0;
        QTest::newRow("junk then a whole ack later")
            << 2 << L{"\x01\x02", "\xee\x64"} << -1 << 0xAA << 0xAA << QStringLiteral("EE 64 ")
            << 0;
        QTest::newRow("lone byte waits for company")
            << 2 << L{"\xee"} << 0 << 0xAA << 0xAA << QStringLiteral("") << 1;
        QTest::newRow("inputs") << 4 << L{"\xee\x64\x05\x0a"} << -1 << 0x05 << 0x0A
                                << QStringLiteral("EE 64 05 0A ") << 0;
        QTest::newRow("inputs with a foreign header")
            << 4 << L{QByteArray("\x00\x00\x03\x01", 4)} << 0 << 0x03 << 0x01
            << QStringLiteral("00 00 03 01 ") << 0;
        QTest::newRow("inputs in pieces") << 4 << L{"\xee\x64", "\x05", "\x0a"} << -1 << 0x05
                                          << 0x0A << QStringLiteral("EE 64 05 0A ") << 0;
        QTest::newRow("inputs cut short are kept")
            << 4 << L{"\xee\x64\x05"} << 0 << 0xAA << 0xAA << QStringLiteral("") << 3;
        QTest::newRow("inputs with trailing bytes")
            << 4 << L{QByteArray("\xee\x64\x0f\x00\xee\x64", 6)} << -1 << 0x0F << 0x00
            << QStringLiteral("EE 64 0F 00 ") << 0;
    }

    void answers()
    {
        QFETCH(int, threshold);
        QFETCH(QByteArrayList, chunks);
        QFETCH(int, rxFlag);
        QFETCH(int, bits1);
        QFETCH(int, bits2);
        QFETCH(QString, shown);
        QFETCH(int, leftWaiting);

        Variables vars;
        vars.DeviceAddr = 100;
        vars.InputBits1 = vars.InputBits2 = 0xAA;
        FakeSerialPort port;
        port.setRThreshold(threshold);
        TrafficMonitor monitor;
        Receiver receiver(vars, port, monitor);

        for (const QByteArray& chunk : chunks)
            port.feed(chunk);

        QCOMPARE(vars.RxFlag, qint16(rxFlag));
        QCOMPARE(vars.InputBits1, quint8(bits1));
        QCOMPARE(vars.InputBits2, quint8(bits2));
        QCOMPARE(monitor.rxText(), shown);
        QCOMPARE(port.inBufferCount(), leftWaiting);
    }

    void lateAnswerStillSetsTheFlag()
    {
        // An ack arriving when no command waits keeps the flag set until a command clears it.
        Variables vars;
        vars.DeviceAddr = 105;
        FakeSerialPort port;
        port.setRThreshold(2);
        TrafficMonitor monitor;
        Receiver receiver(vars, port, monitor);
        port.feed("\xee\x69");
        port.feed("\xee\x69");
        QCOMPARE(vars.RxFlag, qint16(-1));
        QCOMPARE(monitor.rxText(), QStringLiteral("EE 69 EE 69 "));
    }

    void aLoweredThresholdRaisesTheEventFromTheEventLoop()
    {
        Variables vars;
        vars.DeviceAddr = 100;
        FakeSerialPort port;
        port.setRThreshold(4);
        TrafficMonitor monitor;
        Receiver receiver(vars, port, monitor);
        port.feed("\xee\x64");
        port.setRThreshold(2);
        QCOMPARE(vars.RxFlag, qint16(0)); // not from inside the caller
        QTRY_COMPARE(vars.RxFlag, qint16(-1));
        QCOMPARE(monitor.rxText(), QStringLiteral("EE 64 "));
    }

    void unreadBytesStopAtTheBufferSize()
    {
        FakeSerialPort port; // threshold 0: a port that is only written to
        port.feed(QByteArray(1000, 'x'));
        port.feed(QByteArray(1000, 'y'));
        QCOMPARE(port.inBufferCount(), 1024);
        QCOMPARE(port.input(), QByteArray(1000, 'x') + QByteArray(24, 'y'));

        // A reader that takes the bytes on each event gets all of a chunk larger than that.
        QByteArray taken;
        port.setRThreshold(1);
        connect(&port, &SerialPort::onComm, this, [&] { taken += port.input(); });
        port.feed(QByteArray(3000, 'z'));
        QCOMPARE(taken, QByteArray(3000, 'z'));
    }
};

QTEST_GUILESS_MAIN(tst_Receiver)
#include "tst_receiver.moc"
