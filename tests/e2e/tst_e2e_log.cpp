// The traffic log of the real panel against the emulated modules: every frame both windows
// wrote and every answer that came back, in order and named, and the answers that did not come.
#include "E2eBench.h"
#include "app/LogWindow.h"
#include "config/ConfigWindow.h"
#include "link/LogExport.h"
#include "link/TrafficLog.h"

#include <QAction>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::Bench;

namespace {

// The rows of the session below, one a line: window, direction, address and meaning; %1 the
// ten predefined texts.
const char* const kRows = R"(panel sent 101 select 101
panel received 101 acknowledge from 101
panel sent 101 text 'Hello' / 'world'
panel sent 101 read inputs
panel received 101 inputs of 101: 0 1 0 1 1 0 1 0
panel sent 101 deselect
panel missing 101 no answer from 101 within 10 ticks
panel sent 105 select 105
panel missing 105 no answer from 105 within 10 ticks
panel sent 101 select 101
panel received 101 acknowledge from 101
configuration sent 100 broadcast on
configuration sent 100 clear
configuration sent 100 text at the cursor 'Config. Mode'
configuration sent 100 text on the second row 'Configuring..'
configuration sent 100 speed 4800
configuration sent 100 address 101
configuration sent 100 start-up screen, 32 characters follow
configuration sent 100 start-up line 1 'Velnor' / line 2 ''
configuration sent 100 bitmaps, 64 bytes follow
configuration sent 100 bitmaps of custom characters 1 to 8
configuration sent 100 command 08 (changes nothing)
%1configuration sent 100 clear row 1
configuration sent 100 text at the cursor 'Completed'
configuration sent 101 deselect
configuration sent 100 broadcast on
configuration sent 100 store configuration)";

QStringList summaries(const QList<LogRow>& rows)
{
    QStringList lines;
    for (const LogRow& row : rows) {
        const QStringList fields = logFields(row);
        lines.append(QStringList{fields.at(TrafficLog::Window), fields.at(TrafficLog::Direction),
                                 fields.at(TrafficLog::Address), row.meaning}
                         .join(u' '));
    }
    return lines;
}

} // namespace

class tst_E2eLog final : public QObject
{
    Q_OBJECT

private slots:
    void aSessionAndAnUploadAsTheLogShowsThem()
    {
        Bench bench({101});
        QVERIFY(bench.started);
        bench.host.line().setInputs(0, 0x5A);
        bench.window->findChild<QAction*>(u"trafficLogAction"_s)->trigger();
        auto* log = bench.window->findChild<LogWindow*>();
        QVERIFY(log && log->isVisible());

        test::doSteps(
            *bench.window, *bench.panel,
            u"selectButton line1Box=Hello line2Box=world sendTextButton readInputsButton"_s);
        // The window takes the select's acknowledgement for the deselect's; the log does not.
        bench.host.line().setSilent(true);
        bench.click("deselectButton");
        QCOMPARE(bench.status(), u"Disconnected"_s);
        bench.host.line().setSilent(false);
        test::doSteps(*bench.window, *bench.panel,
                      u"addressList=105 selectButton addressList=101 selectButton"_s);

        bench.window->findChild<QAction*>(u"configAction"_s)->trigger();
        ConfigWindow* config = bench.window->configWindow();
        QString steps = u"uidList~101 startupLine1=Velnor storedText_2=Third"_s;
        for (int i = 0; i < 64; ++i)
            steps += u" bitmapByte_%1=%2"_s.arg(i).arg(i % 32);
        test::doSteps(*config, *bench.panel, steps + u" uploadButton"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!config->isUploading(), 10000);
        test::doStep(*config, u"saveButton"_s);

        QString texts;
        for (int k = 1; k <= 10; ++k) {
            texts += u"configuration sent 100 predefined text %1, 16 characters follow\n"
                     "configuration sent 100 predefined text %1 '%2'\n"_s.arg(k)
                         .arg(k == 3 ? u"Third"_s : QString());
        }
        const QList<LogRow> rows = log->shownRows();
        QCOMPARE(summaries(rows), QString::fromUtf8(kRows).arg(texts).split(u'\n'));

        // The bytes as they went: every byte the modules heard, in order, and the answers.
        QByteArray sent;
        QByteArray received;
        for (const LogRow& row : rows)
            (row.direction == LogRow::Direction::Sent ? sent : received) += row.bytes;
        QTRY_COMPARE(bench.heard, sent);
        QCOMPARE(received, QByteArray::fromHex("EE65 EE650A05 EE65"));
        for (qsizetype i = 1; i < rows.size(); ++i)
            QVERIFY(rows[i].msecsSinceEpoch >= rows[i - 1].msecsSinceEpoch);

        // Saved, one line a row under a header.
        const QString path = bench.dir.filePath(u"traffic.csv"_s);
        QVERIFY(log->saveTo(path));
        QCOMPARE(test::contents(path).count('\n'), rows.size() + 1);
    }
};

QTEST_MAIN(tst_E2eLog)
#include "tst_e2e_log.moc"
