#include "link/LogExport.h"
#include "link/TrafficLog.h"
#include "protocol/Frames.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <ctime>

using namespace Qt::StringLiterals;
using namespace velnor;

namespace {

using Dir = LogRow::Direction;
using Win = LogRow::Window;

QList<LogRow> rowsOf(const TrafficLog& log)
{
    QList<LogRow> rows;
    for (int i = 0; i < log.rowCount(); ++i)
        rows.append(log.at(i));
    return rows;
}

LogRow row(qint64 ms, Win window, Dir direction, int address, const char* hex, const char* meaning)
{
    return {ms, window, direction, address, QByteArray::fromHex(hex), QString::fromUtf8(meaning)};
}

} // namespace

class tst_TrafficLog final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Times are shown in local time: the expected texts are written for UTC.
        qputenv("TZ", "UTC");
        tzset();
    }

    // A select, an input read answered in three reads, one that is not answered, and the
    // configuration window's writes: each frame a row of its own, named, with its address and
    // the time of the write or read that completed it.
    void rowsOfASession()
    {
        TrafficLog log;
        QAbstractItemModelTester tester(&log);
        qint64 now = 0;
        log.setClock([&now] { return now; });
        // The log at that time.
        const auto at = [&now, &log](qint64 ms) -> TrafficLog& {
            now = ms;
            return log;
        };

        at(1000).frameSent(frames::select(105));
        at(1001).bytesReceived(QByteArray::fromHex("EE69"), Win::Panel, 105, 2);
        at(1002).frameSent(frames::readInputs());
        at(1005).bytesReceived(QByteArray::fromHex("EE690F0021"), Win::Panel, 105, 4);
        at(1006).frameSent(frames::readInputs());
        // An answer behind a stray byte is not one: the receiver took none.
        at(1007).bytesReceived(QByteArray::fromHex("00EE69"), Win::Panel, 105, 0);
        at(1008).answerMissing(105, 10);
        at(1009).frameSent(frames::enterConfiguration(), Win::Configuration);
        at(1010).frameSent(frames::bitmapsHeader(), Win::Configuration);
        at(1011).frameSent(QByteArray(40, '\x11'), Win::Configuration);
        at(1012).frameSent(QByteArray(24, '\x11'), Win::Configuration);
        at(1013).frameSent(frames::saveToNonVolatileMemory(), Win::Configuration);

        const QList<LogRow> expected{
            row(1000, Win::Panel, Dir::Sent, 105, "EF69", "select 105"),
            row(1001, Win::Panel, Dir::Received, 105, "EE69", "acknowledge from 105"),
            row(1002, Win::Panel, Dir::Sent, 105, "FE0E", "read inputs"),
            row(1005, Win::Panel, Dir::Received, 105, "EE690F00",
                "inputs of 105: 1 1 1 1 0 0 0 0"),
            row(1005, Win::Panel, Dir::Received, 105, "21", "no frame: after the answer"),
            row(1006, Win::Panel, Dir::Sent, 105, "FE0E", "read inputs"),
            row(1007, Win::Panel, Dir::Received, 105, "00EE69", "no frame"),
            row(1008, Win::Panel, Dir::Missing, 105, "", "no answer from 105 within 10 ticks"),
            row(1009, Win::Configuration, Dir::Sent, 100, "EF64", "broadcast on"),
            row(1009, Win::Configuration, Dir::Sent, 100, "0D", "clear"),
            row(1010, Win::Configuration, Dir::Sent, 100, "FE64", "bitmaps, 64 bytes follow"),
            {1012, Win::Configuration, Dir::Sent, 100, QByteArray(64, '\x11'),
             u"bitmaps of custom characters 1 to 8"_s},
            row(1013, Win::Configuration, Dir::Sent, 100, "EF64", "broadcast on"),
            row(1013, Win::Configuration, Dir::Sent, 100, "FE20", "store configuration")};
        QCOMPARE(rowsOf(log), expected);
        QCOMPARE(log.data(log.index(3, TrafficLog::Bytes)).toString(), u"EE 69 0F 00"_s);
        QCOMPARE(log.data(log.index(0, TrafficLog::Time)).toString(), u"00:00:01.000"_s);
    }

    // However long it runs, the log keeps the latest rows only, and the view hears of each
    // change in order.
    void keepsTheLatestRows()
    {
        TrafficLog log(5);
        QAbstractItemModelTester tester(&log);
        for (int i = 0; i < 8; ++i)
            log.frameSent(frames::select(quint8(101 + i)));
        QCOMPARE(log.rowCount(), 5);
        QCOMPARE(log.at(0).meaning, u"select 104"_s);
        QCOMPARE(log.at(4).meaning, u"select 108"_s);
        // One read that makes more rows than the bound.
        log.bytesReceived(QByteArray(6 * FrameDecoder::MaxRun, '\x21'));
        QCOMPARE(log.rowCount(), 5);
        QCOMPARE(log.at(0).meaning, u"no frame"_s);
        log.clear();
        QCOMPARE(log.rowCount(), 0);
    }

    // Paused, rows wait (the latest of them) until the log goes on, and what was sent
    // meanwhile still tells what follows.
    void pauseHoldsRows()
    {
        TrafficLog log(2);
        QSignalSpy waiting(&log, &TrafficLog::waitingChanged);
        log.setPaused(true);
        log.frameSent(frames::deselect());
        log.frameSent(frames::select(105));
        log.frameSent(frames::startupScreenHeader());
        QCOMPARE(log.rowCount(), 0);
        QCOMPARE(log.waiting(), 2);
        log.setPaused(false);
        QCOMPARE(waiting.last().first().toInt(), 0);
        log.frameSent("Velnor          Panel           ");
        QCOMPARE(log.rowCount(), 2);
        QCOMPARE(log.at(0).meaning, u"start-up screen, 32 characters follow"_s);
        QCOMPARE(log.at(1).meaning, u"start-up line 1 'Velnor' / line 2 'Panel'"_s);
        QCOMPARE(log.at(1).address, 105);
    }

    void exports()
    {
        QList<LogRow> rows{
            row(3723004, Win::Panel, Dir::Sent, 105, "EF69", "select 105"),
            row(3723010, Win::Panel, Dir::Missing, 105, "", "no answer from 105 within 10 ticks"),
            row(3723020, Win::Configuration, Dir::Sent, 100, "0D412C42",
                "text 'A,B' and \"quoted\""),
            row(3723030, Win::Panel, Dir::Received, -1, "21", "no frame")};
        for (LogRow& panelRow : rows) {
            if (panelRow.window == Win::Panel)
                panelRow.line = u"port 1, 9600"_s;
        }
        QCOMPARE(logText(rows),
                 u"01:02:03.004  panel          port 1, 9600  sent      105  EF 69        "
                 "select 105\n"
                 "01:02:03.010  panel          port 1, 9600  missing   105               "
                 "no answer from 105 within 10 ticks\n"
                 "01:02:03.020  configuration                sent      100  0D 41 2C 42  "
                 "text 'A,B' and \"quoted\"\n"
                 "01:02:03.030  panel          port 1, 9600  received       21           "
                 "no frame\n"_s);
        QCOMPARE(logCsv(rows),
                 u"time,window,line,direction,address,bytes,meaning\r\n"
                 "1970-01-01T01:02:03.004,panel,\"port 1, 9600\",sent,105,EF 69,select 105\r\n"
                 "1970-01-01T01:02:03.010,panel,\"port 1, 9600\",missing,105,,no answer from 105 "
                 "within 10 ticks\r\n"
                 "1970-01-01T01:02:03.020,configuration,,sent,100,0D 41 2C 42,"
                 "\"text 'A,B' and \"\"quoted\"\"\"\r\n"
                 "1970-01-01T01:02:03.030,panel,\"port 1, 9600\",received,,21,no frame\r\n"_s);
    }
};

QTEST_GUILESS_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
