#include "cli/MonitorLines.h"

#include <QTest>
#include <QTextStream>

using namespace Qt::StringLiterals;

// What velnor-cli's monitor prints for the bytes of a run, however the line split them.
class TestMonitorLines final : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("printed");
        // ">hex" a write, "<hex" a read, "|" the event loop turns, "end" the run ends.
        QTest::newRow("an answer in pieces is one line")
            << u">EF65FE0E | <EE65EE <650A05"_s
            << u"> EF 65 FE 0E  select 101; read inputs\n< EE 65  acknowledge from 101\n"
               "< EE 65 0A 05  inputs of 101: 0 1 0 1 1 0 1 0\n"_s;
        QTest::newRow("half an answer goes before the next write")
            << u">EF65 | <EE >EA |"_s
            << u"> EF 65  select 101\n< EE  no frame: answer cut short\n> EA  deselect\n"_s;
        QTest::newRow("stray bytes at the end")
            << u">0D41 | <0102 end"_s << u"> 0D 41  text 'A'\n< 01 02  no frame\n"_s;
    }

    void lines()
    {
        QFETCH(QString, steps);
        QString printed;
        QTextStream out(&printed);
        velnor::cli::MonitorLines lines(out);
        for (const QString& step : steps.split(u' ')) {
            const QByteArray bytes = QByteArray::fromHex(step.mid(1).toLatin1());
            if (step == u"|"_s)
                lines.flushWrites();
            else if (step == u"end"_s)
                lines.end();
            else
                step.startsWith(u'>') ? lines.wrote(bytes) : lines.received(bytes);
        }
        QTEST(printed, "printed");
    }
};

QTEST_GUILESS_MAIN(TestMonitorLines)
#include "tst_monitorlines.moc"
