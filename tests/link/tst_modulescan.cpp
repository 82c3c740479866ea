#include "FakeLine.h"
#include "FakeMessageSink.h"
#include "link/ModuleScan.h"
#include "shared/Wire.h"

#include <QSignalSpy>
#include <QTimer>

using namespace velnor;
using namespace velnor::test;

namespace {

using Replies = QMap<quint8, QByteArray>;

// Where a test cuts a search short.
enum When { BeforeSelect, WhileWaiting, OnceJudged };

QByteArray ack(quint8 address)
{
    return QByteArray(1, char(wire::Answer)) + char(address);
}

// Modules on a fake line. A select of an address in replies gets that reply, when the port is
// at the given speed; a deselect gets the acknowledgement of whoever answered last.
struct Line
{
    explicit Line(Replies replies_, const QString& speed = QStringLiteral("9600"))
        : replies(std::move(replies_))
    {
        port.answerWith([this, speed](const QByteArray& bytes) {
            const quint8 byte = quint8(bytes.at(0));
            const bool heard = port.settings().startsWith(speed);
            QByteArray reply;
            if (previous == wire::Select && heard && replies.contains(byte)) {
                reply = replies.value(byte);
                selected = byte;
            } else if (byte == wire::Deselect && selected) {
                reply = ack(selected);
                selected = 0;
            }
            previous = byte;
            return reply;
        });
    }

    Replies replies;
    quint8 previous = 0;
    quint8 selected = 0;
    FakeMessageSink messages;
    Panel panel{messages, fakeLine(), fakeLine()};
    FakeSerialPort& port = fakePort(panel);
};

} // namespace

class tst_ModuleScan final : public QObject
{
    Q_OBJECT

private slots:
    void judging_data()
    {
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<QList<quint8>>("answered");
        QTest::addColumn<QList<quint8>>("garbled");
        QTest::newRow("silent line") << Replies{} << QList<quint8>{} << QList<quint8>{};
        QTest::newRow("scattered") << Replies{{101, ack(101)}, {117, ack(117)}, {132, ack(132)}}
                                   << QList<quint8>{101, 117, 132} << QList<quint8>{};
        // A lone byte stays in the port below the receiver's threshold: it is still this
        // address's reply, and the next address is judged on its own bytes.
        QTest::newRow("lone byte, then a module")
            << Replies{{110, QByteArray("\x3f")}, {111, ack(111)}} << QList<quint8>{111}
            << QList<quint8>{110};
        QTest::newRow("two answers at once") << Replies{{120, QByteArray("\xee\x78\xee\x78")}}
                                             << QList<quint8>{} << QList<quint8>{120};
        QTest::newRow("another address's answer")
            << Replies{{105, ack(106)}} << QList<quint8>{} << QList<quint8>{105};
    }

    void judging()
    {
        QFETCH(Replies, replies);
        QFETCH(QList<quint8>, answered);
        QFETCH(QList<quint8>, garbled);
        Line line(replies);
        ModuleScan scan(line.panel);
        QSignalSpy progress(&scan, &ModuleScan::progress);
        QSignalSpy finished(&scan, &ModuleScan::finished);
        QVERIFY(scan.start());
        QVERIFY(!line.panel.gate().isOpen());
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY(line.panel.gate().isOpen());

        QCOMPARE(scan.result().addresses(Reply::Answered), answered);
        QCOMPARE(scan.result().addresses(Reply::Garbled), garbled);
        QCOMPARE(progress.size(), 32);
        QCOMPARE(progress.last().at(3).value<quint8>(), wire::LastAddress);
        // Every address once, and a deselect right after each one that gave anything back.
        QByteArray expected;
        for (int a = wire::FirstAddress; a <= wire::LastAddress; ++a) {
            expected += char(wire::Select);
            expected += char(a);
            if (replies.contains(quint8(a)))
                expected += char(wire::Deselect);
        }
        QCOMPARE(line.port.written().toHex(' '), expected.toHex(' '));
        for (quint8 a : replies.keys())
            QCOMPARE(scan.heard(9600, a), replies.value(a));
    }

    void otherSpeed()
    {
        // Deaf at 9600: found only when the port goes to 4800, which is undone after.
        Line line({{117, ack(117)}}, QStringLiteral("4800"));
        ModuleScan scan(line.panel);
        QSignalSpy finished(&scan, &ModuleScan::finished);
        QVERIFY(scan.start(true));
        QVERIFY(finished.wait(30000));
        QCOMPARE(scan.result().speeds(), (QList<int>{9600, 4800}));
        QCOMPARE(scan.result().answeringSpeeds(117), QList<int>{4800});
        QCOMPARE(scan.result().replyAt(9600, 117), Reply::Silent);
        QCOMPARE(line.port.openedSettings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(line.port.settings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(!line.port.portOpen());
    }

    void cancel_data()
    {
        // Where the search is cancelled, at 4800, with module 101 stored at 4800.
        QTest::addColumn<int>("when");
        QTest::addColumn<quint8>("address");
        QTest::addColumn<QByteArray>("tail");
        const auto row = [](const char* name, When when, quint8 address, const char* tail) {
            QTest::newRow(name) << int(when) << address << QByteArray::fromHex(tail);
        };
        row("between addresses", BeforeSelect, 108, "ef6b");
        row("select under way", WhileWaiting, 101, "ef65ea");
        row("answer judged", OnceJudged, 101, "ef65ea");
        row("silence judged", OnceJudged, 102, "eaef66");
    }

    void cancel()
    {
        QFETCH(int, when);
        QFETCH(quint8, address);
        QFETCH(QByteArray, tail);
        Line line({{101, ack(101)}}, QStringLiteral("4800"));
        ModuleScan scan(line.panel);
        const auto at = [&](int baud, quint8 to) { return baud == 4800 && to == address; };
        // A cancel posted as the select is about to go out comes before its answer and ticks.
        connect(&scan, &ModuleScan::progress, &scan, [&](int, int, int baud, quint8 to) {
            if (at(baud, to) && when == BeforeSelect)
                scan.cancel();
            if (at(baud, to) && when == WhileWaiting)
                QTimer::singleShot(0, &scan, &ModuleScan::cancel);
        });
        connect(&scan, &ModuleScan::judged, &scan, [&](int baud, quint8 to) {
            if (at(baud, to) && when == OnceJudged)
                scan.cancel();
        });
        QSignalSpy finished(&scan, &ModuleScan::finished);
        QVERIFY(scan.start(true));
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(line.panel.gate().isOpen());
        // Nothing is left selected: a deselect went out at the speed of the select.
        QCOMPARE(line.selected, quint8(0));
        QCOMPARE(line.port.openedSettings, QStringLiteral("4800,n,8,1"));
        QCOMPARE(line.port.written().right(tail.size()).toHex(' '), tail.toHex(' '));
        // Nothing more goes out, and the port is back at its own speed.
        const auto sent = line.port.written().size();
        QCoreApplication::processEvents(); // what was posted runs; no time passes
        QCOMPARE(line.port.written().size(), sent);
        QCOMPARE(line.port.settings(), QStringLiteral("9600,n,8,1"));
    }

    void heldGateRefuses()
    {
        Line line({});
        QObject holder;
        QVERIFY(line.panel.gate().close(&holder));
        ModuleScan scan(line.panel);
        QVERIFY(!scan.start());
        QVERIFY(line.port.writes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ModuleScan)
#include "tst_modulescan.moc"
