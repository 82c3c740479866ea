#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "shared/Formats.h"
#include "link/Panel.h"

#include <QSignalSpy>
#include <QTest>

using namespace velnor;
using velnor::test::FakeMessageSink;
using velnor::test::FakeSerialPort;

class tst_FrameLink final : public QObject
{
    Q_OBJECT

private slots:
    void framesGoOutOneByteAtATimeOnAPortOpenedOnce()
    {
        FakeMessageSink messages;
        Panel panel{messages, test::fakeLine(), test::fakeLine()};
        FakeSerialPort& port = test::fakePort(panel);
        TrafficMonitor& monitor = panel.monitor();
        FrameLink& link = panel.link();
        QSignalSpy sent(&link, &FrameLink::frameSent);
        monitor.appendRx("\xee\x64");
        port.setSettings(QStringLiteral("4800,n,8,1"));
        port.feed("\x05"); // a stray byte from before a frame is not kept for its answer
        QVERIFY(link.send("\xef\x64"));
        QCOMPARE(monitor.rxText(), QString());
        QCOMPARE(port.inBufferCount(), 0);
        QCOMPARE(port.writes, QByteArrayList({"\xef", "\x64"}));
        QCOMPARE(monitor.txText(), QStringLiteral("EF 64 "));
        QCOMPARE(port.opens, 1);
        QCOMPARE(port.openedSettings, QStringLiteral("4800,n,8,1"));
        // The traffic log shows the byte the send dropped all the same, before the frame.
        const TrafficLog& log = panel.log();
        QCOMPARE(log.rowCount(), 2);
        QCOMPARE(log.at(0).direction, LogRow::Direction::Received);
        QCOMPARE(log.at(0).bytes, QByteArray("\x05"));
        QCOMPARE(log.at(1).meaning, QStringLiteral("broadcast on"));

        const QByteArray text("\x0dHi\x0cYo");
        QVERIFY(link.sendText(text, QStringLiteral("Hi [0x12] Yo"))); // in one write
        QCOMPARE(port.writes.last(), text);
        QCOMPARE(monitor.txText(), QStringLiteral("Hi [0x12] Yo"));
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(sent.size(), 2);
    }

    // Both lines send through the same path and fail the same way; the configuration line,
    // only written to, shows nothing on the main window's monitor.
    void failuresShowOneMessageWithTheReason_data()
    {
        QTest::addColumn<bool>("configLine");
        QTest::addColumn<bool>("refuseOpen");
        QTest::addColumn<int>("failWritesAfter");
        QTest::addColumn<QByteArray>("sent");
        for (const bool config : {false, true}) {
            const char* line = config ? "configuration line, " : "main line, ";
            QTest::addRow("%sport will not open", line) << config << true << -1 << QByteArray();
            QTest::addRow("%swrite fails midway", line)
                << config << false << 1 << QByteArray("\x11");
        }
    }

    void failuresShowOneMessageWithTheReason()
    {
        QFETCH(bool, configLine);
        QFETCH(bool, refuseOpen);
        QFETCH(int, failWritesAfter);
        QFETCH(QByteArray, sent);

        FakeMessageSink messages;
        Panel panel{messages, test::fakeLine(), test::fakeLine()};
        auto& port = static_cast<FakeSerialPort&>(configLine ? panel.configPort() : panel.port());
        port.refuseOpen = refuseOpen;
        port.failWritesAfter = failWritesAfter;
        port.failureReason = QStringLiteral("/dev/ttyUSB0: Permission denied");
        const bool done = configLine ? panel.configLink().sendFrame("\x11\x11\x11")
                                     : panel.link().send("\x11\x11\x11");

        QVERIFY(!done);
        QCOMPARE(messages.texts, QStringList{QStringLiteral("SELECTED PORT NOT AVAILABLE!")});
        QCOMPARE(messages.details, QStringList{port.failureReason});
        QCOMPARE(port.written(), sent);
        QCOMPARE(panel.monitor().txText().trimmed(), configLine ? QString() : formats::hex(sent));
    }
};

QTEST_GUILESS_MAIN(tst_FrameLink)
#include "tst_framelink.moc"
