#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "link/ConfigLink.h"
#include "shared/Formats.h"
#include "link/Panel.h"

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

// The main window's runner on fakes, as the windows, the line tools and velnor-cli use it.
struct Rig
{
    // Starts the steps and lets them run; how each ended, in order, as its starter hears it.
    QList<Exchange::Outcome> run(const QList<Exchange>& steps)
    {
        QList<Exchange::Outcome> outcomes;
        QObject context;
        const auto ended = [&outcomes](const Exchange::Outcome& o) { outcomes.append(o); };
        if (!panel.exchanges().start(steps, &context, {{}, {}, ended, {}}) || !waitsOver(panel))
            outcomes.clear();
        return outcomes;
    }

    FakeMessageSink messages;
    Panel panel{messages, test::fakeLine(), test::fakeLine()};
    FakeSerialPort& port = test::fakePort(panel);
    FakeTickSource& ticks = test::fakeTicks(panel);
};

} // namespace

class tst_Exchanges final : public QObject
{
    Q_OBJECT

private slots:
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
        const Exchange read = Exchange::readInputs(100);
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
        rig.port.answerWith([reply](const QByteArray&) { return reply; }); // to every frame
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
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("shown");
        QTest::newRow("stray byte before the answer")
            << "\x00\xee\x65"_ba << u"07/no frame/-1; 00 EE 65/no frame/101"_s << u"00 EE 65 "_s;
        QTest::newRow("collision")
            << "\xcc\x40\xff"_ba << u"07/no frame/-1; CC 40 FF/no frame/101"_s << u"CC 40 FF "_s;
    }

    void whatComesDuringAnExchangeIsItsOwn()
    {
        QFETCH(QByteArray, reply);
        Rig rig;
        rig.port.answer("\x65", reply);
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
        QTEST(rig.panel.monitor().rxText(), "shown");
    }

    // A sequence runs its steps in order, each judged by its own wait; cancelled, it sends
    // nothing more, its tick stops and its starter hears that it did not complete.
    void aSequenceRunsInOrderUntilCancelled()
    {
        Rig rig;
        rig.port.answer("\x66", "\xee\x66"); // only module 102 is on the line
        const QList<Exchange::Outcome> ended = rig.run(
            {Exchange::select(101), Exchange::select(102), Exchange::deselect({.address = 102})});
        QCOMPARE(ended.size(), 3);
        QVERIFY(!ended.at(0).answered && ended.at(1).answered && !ended.at(2).answered);
        QCOMPARE(rig.port.written(), QByteArray("\xef\x65\xef\x66\xea"));
        QCOMPARE(rig.ticks.ticksPerRun, QList<int>({10, 10, 10}));

        Exchanges& exchanges = rig.panel.exchanges();
        QList<bool> finished;
        Exchanges::Run run;
        run.ended = [&exchanges](const Exchange::Outcome&) { exchanges.cancel(); };
        run.finished = [&finished](bool completed) { finished.append(completed); };
        QVERIFY(exchanges.start({Exchange::readInputs(102), Exchange::select(103)}, this, run));
        QTRY_COMPARE(finished, QList<bool>{false});
        QVERIFY(rig.port.written().endsWith("\xfe\x0e"));
        QVERIFY(!rig.ticks.isActive() && rig.panel.gate().isOpen());
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
        const UploadStep step{UploadStep::Kind::Frame, "\xfe\x03"_ba, true, {}};
        const QList<UploadStep> steps{step, step};
        QSignalSpy finished(&config, &ConfigLink::finished);
        QVERIFY(config.start(steps, this, {}));
        QVERIFY(!config.start(steps, this, {}));
        QVERIFY(!rig.panel.exchanges().start({Exchange::select(101)}, this, {}));
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(rig.ticks.ticksEmitted, 0);
        QCOMPARE(heard, static_cast<FakeSerialPort&>(rig.panel.configPort()).written());

        QVERIFY(rig.panel.exchanges().start({Exchange::deselect({})}, this, {}));
        QVERIFY(!config.start(steps, this, {}));
        QVERIFY(!rig.panel.exchanges().start({Exchange::deselect({})}, this, {}));
        QVERIFY(waitsOver(rig.panel));
        QCOMPARE(rig.port.written(), QByteArray("\xea"));
    }
};

QTEST_GUILESS_MAIN(tst_Exchanges)
#include "tst_exchanges.moc"
