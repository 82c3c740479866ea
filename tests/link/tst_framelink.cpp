#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "link/ConfigLink.h"
#include "shared/Formats.h"
#include "link/Panel.h"
#include "protocol/UploadPlan.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::FakeMessageSink;
using velnor::test::FakeSerialPort;
using velnor::test::FakeTickSource;
using velnor::test::waitsOver;

Q_DECLARE_METATYPE(velnor::Exchange)

namespace {

// The main window's link, receiver and exchanges on fakes, as the window and velnor-cli use
// them.
struct Rig
{
    Rig() { port.setRThreshold(2); }

    // The module answers each frame once it is written (an empty reply: silence); the
    // threshold each byte went out with is noted.
    void answer(const QByteArray& reply)
    {
        port.peer = [this, reply](const QByteArray&) {
            thresholds.append(port.rThreshold());
            if (!reply.isEmpty())
                port.feedLater(reply);
        };
    }
    // Starts the exchanges and lets them run; how each ended, in order.
    QList<Exchange::Outcome> run(const QList<Exchange>& sequence)
    {
        QList<Exchange::Outcome> outcomes;
        QObject::connect(&panel.exchanges(), &Exchanges::exchangeEnded, &panel,
                         [&outcomes](const Exchange::Outcome& o) { outcomes.append(o); });
        if (!panel.exchanges().start(sequence, nullptr) || !waitsOver(panel))
            outcomes.clear();
        panel.exchanges().disconnect(&panel);
        return outcomes;
    }

    FakeMessageSink messages;
    Panel panel{messages, test::fakeLine(), test::fakeLine()};
    Variables& vars = panel.vars();
    FakeSerialPort& port = test::fakePort(panel);
    FakeTickSource& ticks = test::fakeTicks(panel);
    TrafficMonitor& monitor = panel.monitor();
    FrameLink& link = panel.link();
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
        QSignalSpy sent(&rig.link, &FrameLink::frameSent);
        rig.monitor.appendRx("\xee\x64");
        rig.port.setSettings(QStringLiteral("4800,n,8,1"));
        rig.link.SendFrame(0); // opens, writes nothing, empties the monitor
        QVERIFY(rig.port.portOpen());
        QCOMPARE(rig.monitor.rxText(), QString());

        rig.port.feed("\x05"); // a stray byte from before a frame is not kept for its answer
        rig.vars.TxData = {0xEF, 0x64, 0x99};
        rig.link.SendFrame(2);
        QCOMPARE(rig.port.inBufferCount(), 0);
        QCOMPARE(rig.port.writes, QByteArrayList({"\xef", "\x64"}));
        QCOMPARE(rig.monitor.txText(), QStringLiteral("EF 64 "));
        QCOMPARE(rig.port.opens, 1);
        QCOMPARE(rig.port.openedSettings, QStringLiteral("4800,n,8,1"));
        // The traffic log shows the byte the send dropped all the same, before the frame.
        const TrafficLog& log = rig.panel.log();
        QCOMPARE(log.rowCount(), 2);
        QCOMPARE(log.at(0).direction, LogRow::Direction::Received);
        QCOMPARE(log.at(0).bytes, QByteArray("\x05"));
        QCOMPARE(log.at(1).meaning, QStringLiteral("broadcast on"));

        rig.vars.TxText = QByteArray("\x0dHi\x0cYo");
        rig.link.SendText(QStringLiteral("Hi [0x12] Yo")); // a text goes out in one write
        QCOMPARE(rig.port.writes.last(), rig.vars.TxText);
        QCOMPARE(rig.monitor.txText(), QStringLiteral("Hi [0x12] Yo"));
        QVERIFY(rig.messages.texts.isEmpty());
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).at(0).toByteArray(), QByteArray("\xef\x64"));
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
        QCOMPARE(rig.monitor.txText().trimmed(), formats::hex(sent));
    }

    // The line tools' exchanges end as soon as the whole answer from the module asked is in; the
    // commands' wait their ticks out, and so does a tool's when no such answer comes.
    void onlyTheToolsEndOnTheirAnswer_data()
    {
        QTest::addColumn<Exchange>("exchange");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("waitsItsTicks");
        const auto row = [](const char* name, const Exchange& exchange, const char* reply,
                            bool waits) {
            QTest::newRow(name) << exchange << QByteArray::fromHex(reply) << waits;
        };
        const Exchange select = Exchange::select(100);
        const Exchange read = Exchange::readInputs();
        row("command's select", select, "EE64", true);
        row("tool's select", select.endingOnAnswer(), "EE64", false);
        row("tool's select, another module", select.endingOnAnswer(), "EE65", true);
        row("tool's read", read.endingOnAnswer(), "EE640500", false);
        row("tool's read, no header", read.endingOnAnswer(), "00000500", true);
        row("tool's read, silence", read.endingOnAnswer(), "", true);
    }

    void onlyTheToolsEndOnTheirAnswer()
    {
        QFETCH(Exchange, exchange);
        QFETCH(QByteArray, reply);
        QFETCH(bool, waitsItsTicks);
        Rig rig;
        rig.vars.DeviceAddr = 100;
        rig.answer(reply);
        const QList<Exchange::Outcome> ended = rig.run({exchange});
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().answered, reply.startsWith("\xee\x64"));
        QCOMPARE(rig.ticks.ticksPerRun.size(), 1);
        QCOMPARE(rig.ticks.ticksPerRun.first() == Exchange::kAnswerTicks, waitsItsTicks);
        QVERIFY(!rig.ticks.isActive());
    }

    // What comes during a select is logged as the receiver took it, with the select's address
    // (what its send dropped from before has none) and the line, and shows on the Received Bytes
    // line, garbled or not.
    void whatComesDuringAnExchangeIsItsOwn_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("shown");
        QTest::newRow("stray byte before the answer")
            << QByteArrayList{QByteArray(1, 0), "\xee\x65"}
            << u"07/no frame/-1; 00 EE 65/no frame/101"_s << u"00 EE 65 "_s;
        QTest::newRow("collision") << QByteArrayList{"\xcc\x40\xff"}
                                   << u"07/no frame/-1; CC 40 FF/no frame/101"_s << u"CC 40 FF "_s;
    }

    void whatComesDuringAnExchangeIsItsOwn()
    {
        QFETCH(QByteArrayList, chunks);
        Rig rig;
        rig.port.peer = [&rig, chunks](const QByteArray& bytes) {
            if (bytes != "\x65")
                return;
            for (const QByteArray& chunk : chunks)
                rig.port.feedLater(chunk);
        };
        rig.port.feed("\x07"); // from before the select, dropped by its send
        rig.run({Exchange::select(101)});
        QStringList logged;
        const TrafficLog& log = rig.panel.log();
        for (int i = 0; i < log.rowCount(); ++i) {
            const LogRow& row = log.at(i);
            if (row.direction == LogRow::Direction::Received)
                logged.append(
                    u"%1/%2/%3"_s.arg(formats::hex(row.bytes), row.meaning).arg(row.address));
        }
        QTEST(logged.join(u"; "_s), "logged");
        QCOMPARE(log.data(log.index(0, TrafficLog::Line)).toString(), u"port 1, 9600"_s);
        QTEST(rig.monitor.rxText(), "shown");
    }

    // A sequence runs its exchanges in order, each judged by its own wait; cancelled, it sends
    // nothing more and its tick stops.
    void aSequenceRunsInOrderUntilCancelled()
    {
        Rig rig;
        rig.port.peer = [&rig](const QByteArray& bytes) {
            if (bytes == "\x66") // only module 102 is on the line
                rig.port.feedLater("\xee\x66");
        };
        const QList<Exchange::Outcome> ended =
            rig.run({Exchange::select(101), Exchange::select(102), Exchange::deselect()});
        QCOMPARE(ended.size(), 3);
        QVERIFY(!ended.at(0).answered && ended.at(1).answered && ended.at(2).answered);
        QCOMPARE(ended.at(1).address, quint8(102));
        QCOMPARE(rig.port.written(), QByteArray("\xef\x65\xef\x66\xea"));
        QCOMPARE(rig.ticks.ticksPerRun, QList<int>({10, 10, 10}));

        Exchanges& exchanges = rig.panel.exchanges();
        QSignalSpy finished(&exchanges, &Exchanges::finished);
        connect(&exchanges, &Exchanges::exchangeEnded, this, [&] { exchanges.cancel(); });
        QVERIFY(exchanges.start({Exchange::readInputs(), Exchange::select(103)}, nullptr));
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(rig.port.written().endsWith("\xfe\x0e"));
        QVERIFY(!rig.ticks.isActive() && rig.panel.gate().isOpen());
        QCOMPARE(rig.port.rThreshold(), 2);
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
        rig.answer(reply);

        const QList<Exchange::Outcome> ended = rig.run({Exchange::readInputs()});
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().answered, answered);
        if (answered)
            QCOMPARE(ended.first().inputs, inputStates(0x05, 0x0A));
        // The answer is read as four bytes only while the read waits, whatever the outcome.
        QCOMPARE(rig.thresholds, refuseOpen ? QList<int>() : QList<int>({4, 4}));
        QCOMPARE(rig.port.rThreshold(), 2);
        QCOMPARE(rig.ticks.ticksEmitted, 10);
        QCOMPARE(rig.vars.RxFlag, answered ? qint16(-1) : qint16(0));
    }

    void theGateKeepsWaitsApart()
    {
        // While an upload runs, no exchange starts and no second upload does; while an
        // exchange waits, no upload and no second exchange starts.
        Rig rig;
        ConfigLink& config = rig.panel.configLink();
        QByteArray heard;
        connect(&config, &ConfigLink::frameSent, this,
                [&heard](const QByteArray& bytes) { heard += bytes; });
        ModuleSetup setup;
        setup.uid = QStringLiteral("101");
        setup.bitmaps.fill(QStringLiteral("1"));
        const auto steps = std::get<QList<UploadStep>>(planUpload(setup));
        QSignalSpy finished(&config, &ConfigLink::finished);
        QVERIFY(config.start(steps));
        QVERIFY(!config.start(steps));
        QVERIFY(!rig.panel.exchanges().start(Exchange::select(101), nullptr));
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(rig.ticks.ticksEmitted, 0);
        QCOMPARE(heard, static_cast<FakeSerialPort&>(rig.panel.configPort()).written());

        QVERIFY(rig.panel.exchanges().start(Exchange::deselect(), nullptr));
        QVERIFY(!config.start(steps));
        QVERIFY(!rig.panel.exchanges().start(Exchange::deselect(), nullptr));
        QVERIFY(waitsOver(rig.panel));
        QCOMPARE(rig.port.written(), QByteArray("\xea"));
    }
};

QTEST_GUILESS_MAIN(tst_FrameLink)
#include "tst_framelink.moc"
