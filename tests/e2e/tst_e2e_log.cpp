// The traffic log of the real panel against the emulated modules: every frame both windows
// wrote and every answer that came back, in order and named, and the answers that did not come.
#include "E2eBench.h"
#include "app/LogWindow.h"
#include "config/frmConfigLcd.h"
#include "link/LogExport.h"
#include "link/TrafficLog.h"

#include <QAction>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::Bench;

namespace {

// "panel sent 101 select 101"
QStringList summaries(const QList<LogRow>& rows)
{
    QStringList lines;
    for (const LogRow& row : rows) {
        lines.append(u"%1 %2 %3 %4"_s.arg(windowName(row.window), directionName(row.direction),
                                          addressText(row.address), row.meaning));
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
        bench.window->findChild<QAction*>(u"mnuTrafficLog"_s)->trigger();
        auto* log = bench.window->findChild<LogWindow*>();
        QVERIFY(log && log->isVisible());

        test::doSteps(*bench.window, *bench.panel,
                      u"cmdSelect txtLine1=Hello txtLine2=world cmdSendText cboRow=1 "
                      "cboColumn=15 cmdSetCursor optBL:2 cmdCC:3 cmdInput cboOutput=3 "
                      "cmdSOutput cmdOffAll"_s);
        // The window takes the select's acknowledgement for the deselect's; the log does not.
        bench.host.line().setSilent(true);
        bench.click("cmdDeselect");
        QCOMPARE(bench.status(), u"Disconnected"_s);
        bench.host.line().setSilent(false);
        test::doSteps(*bench.window, *bench.panel,
                      u"cboAddr=105 cmdSelect cboAddr=101 cmdSelect"_s);

        bench.window->findChild<QAction*>(u"mnuConfig"_s)->trigger();
        frmConfigLcd* config = bench.window->configWindow();
        QString steps = u"cboUID~101 txtSU1=Velnor txtPreDefine_2=Third"_s;
        for (int i = 0; i < 64; ++i)
            steps += u" txtCustom_%1=%2"_s.arg(i).arg(i % 32);
        test::doSteps(*config, *bench.panel, steps + u" cmdConLcd"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!config->isUploading(), 10000);
        test::doStep(*config, u"cmdSaveFlash"_s);

        QStringList expected = {u"panel sent 101 select 101"_s,
                                u"panel received 101 acknowledge from 101"_s,
                                u"panel sent 101 text 'Hello' / 'world'"_s,
                                u"panel sent 101 cursor to row 1 column 15"_s,
                                u"panel sent 101 backlight flash"_s,
                                u"panel sent 101 custom character 4"_s,
                                u"panel sent 101 read inputs"_s,
                                u"panel received 101 inputs of 101: 0 1 0 1 1 0 1 0"_s,
                                u"panel sent 101 output 3 on"_s,
                                u"panel sent 101 all outputs off"_s,
                                u"panel sent 101 deselect"_s,
                                u"panel missing 101 no answer from 101 within 10 ticks"_s,
                                u"panel sent 105 select 105"_s,
                                u"panel missing 105 no answer from 105 within 10 ticks"_s,
                                u"panel sent 101 select 101"_s,
                                u"panel received 101 acknowledge from 101"_s,
                                u"configuration sent 100 broadcast on; clear"_s,
                                u"configuration sent 100 text at the cursor 'Config. Mode'"_s,
                                u"configuration sent 100 text on the second row 'Configuring..'"_s,
                                u"configuration sent 100 speed 4800"_s,
                                u"configuration sent 100 address 101"_s,
                                u"configuration sent 100 start-up screen, 32 characters follow"_s,
                                u"configuration sent 100 start-up line 1 'Velnor' / line 2 ''"_s,
                                u"configuration sent 100 bitmaps, 64 bytes follow"_s,
                                u"configuration sent 100 bitmaps of custom characters 1 to 8"_s,
                                u"configuration sent 100 end of bitmaps"_s};
        for (int k = 1; k <= 10; ++k) {
            expected << u"configuration sent 100 predefined text %1, 16 characters follow"_s.arg(k)
                     << u"configuration sent 100 predefined text %1 '%2'"_s.arg(k).arg(
                            k == 3 ? u"Third"_s : QString());
        }
        expected << u"configuration sent 100 clear row 1"_s
                 << u"configuration sent 100 text at the cursor 'Completed'"_s
                 << u"configuration sent 101 deselect"_s
                 << u"configuration sent 100 broadcast on; store configuration"_s;
        const QList<LogRow> rows = log->shownRows();
        QCOMPARE(summaries(rows), expected);

        // The bytes as they went: every byte the modules heard, in order, and the answers.
        QByteArray sent;
        QByteArray received;
        for (const LogRow& row : rows)
            (row.direction == LogRow::Direction::Sent ? sent : received) += row.bytes;
        QTRY_COMPARE(bench.heard, sent);
        QCOMPARE(received, QByteArray::fromHex("EE65 EE650A05 EE65"));
        for (qsizetype i = 1; i < rows.size(); ++i)
            QVERIFY(rows[i].msecsSinceEpoch >= rows[i - 1].msecsSinceEpoch);

        // Saved, one line a row under a header, the answers that did not come among them.
        const QString path = bench.dir.filePath(u"traffic.csv"_s);
        QVERIFY(log->saveTo(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), rows.size() + 2); // the header, and nothing after the last break
        QVERIFY(lines.at(14).endsWith(",panel,missing,105,,no answer from 105 within 10 ticks\r"));
    }
};

QTEST_MAIN(tst_E2eLog)
#include "tst_e2e_log.moc"
