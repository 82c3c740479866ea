#include "emulator/Line.h"
#include "emulator/Uart.h"

#include "Files.h"
#include "ModuleState.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using namespace Qt::StringLiterals;
using velnor::test::moduleState;
using velnor::test::shown;

namespace velnor {

// Modules 101 and 102 on one line, driven by byte scripts: selections and answers, what the
// display shows, the settings a module keeps and its store file.
class TestLine : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void state_data();
    void state();
    void sharedAddressGarblesAnswers();
    void uartReadsItsOwnSpeed();
    void uartAtAnotherSpeed_data();
    void uartAtAnotherSpeed();
    void storeSurvivesRestart();
    void plugsAndUnplugsWhileRunning();
};

namespace {

// Feeds a script: hexadecimal bytes, "text", XX*n for a byte n times, @ms to hand over the
// bytes so far and let the time move on, POWER to switch the modules off and on again, ~baud
// to hand over the bytes so far and set the line to that speed.
// Returns the answers in hexadecimal.
QString run(Line& line, const QString& script)
{
    QByteArray pending;
    QByteArray answers;
    qint64 now = 0;
    const QStringList parts = script.split(u'"');
    for (int i = 0; i < parts.size(); ++i) {
        if (i % 2 == 1) {
            pending += parts.at(i).toLatin1();
            continue;
        }
        for (const QString& token : parts.at(i).split(u' ', Qt::SkipEmptyParts)) {
            if (token.startsWith(u'@') || token.startsWith(u'~') || token == u"POWER") {
                answers += line.feed(std::exchange(pending, {}), now);
                if (token == u"POWER")
                    line.powerUp();
                else if (token.startsWith(u'~'))
                    line.setSpeed(token.mid(1).toInt());
                else
                    answers += line.advance(now = token.mid(1).toLongLong());
                continue;
            }
            const QStringList byte = token.split(u'*');
            bool ok = false;
            pending += QByteArray(byte.size() > 1 ? byte.at(1).toInt() : 1,
                                  char(byte.at(0).toUInt(&ok, 16)));
            if (!ok)
                qFatal("bad byte in script: %s", qPrintable(token));
        }
    }
    answers += line.feed(pending, now);
    return QString::fromLatin1(answers.toHex(' ').toUpper());
}

} // namespace

void TestLine::answers_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("selected"); // own, broadcast of 101 and 102
    const auto add = [](const char* name, const char* script, const char* answers,
                        const char* selected) {
        QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(answers)
                            << QString::fromLatin1(selected);
    };

    add("select takes the other's selection", "EF 65 EF 66", "EE 65 EE 66", "--,O-");
    add("select of an absent address", "EF 65 EF 63", "EE 65", "--,--");
    add("broadcast keeps own selection, silent", "EF 65 EF 64", "EE 65", "OB,-B");
    add("select ends broadcast", "EF 64 EF 66", "EE 66", "--,O-");
    add("EA 64 ends broadcast, keeps own", "EF 65 EF 64 EA 64", "EE 65", "O-,--");
    add("64 20 ms after EA", "EF 65 EF 64 @10 EA @30 64", "EE 65", "O-,--");
    add("64 21 ms after EA", "EF 65 EF 64 @10 EA @31 64", "EE 65 EE 65", "-B,-B");
    add("lone EA answers, keeps broadcast", "EF 65 EF 64 EA @50", "EE 65 EE 65", "-B,-B");
    add("lone EA still open at 20 ms", "EF 65 EA @20", "EE 65", "O-,--");
    add("EA then a select at once", "EF 65 EA EF 66", "EE 65 EE 65 EE 66", "--,O-");
    add("second EA has nobody to answer", "EF 65 EA @30 EA @60", "EE 65 EE 65", "--,--");
    add("select cut short by EA", "EF 65 EF EA @30", "EE 65 EE 65", "--,--");
    add("read inputs", "EF 66 FE 0E", "EE 66 EE 66 05 0A", "--,O-");
    add("read inputs in broadcast only", "EF 64 FE 0E", "", "-B,-B");
    add("read inputs, nobody selected", "FE 0E", "", "--,--");
    add("0E as an argument", "EF 65 FE 2E 0E", "EE 65", "O-,--");
    add("new address after store and power-up", "EF 65 FE 30 84 FE 20 EF 84 POWER EF 84",
        "EE 65 EE 84", "O-,--");
    add("new address not stored", "EF 65 FE 30 69 POWER EF 69 EF 65", "EE 65 EE 65", "O-,--");
    add("4800 module on a 4800 line", "EF 65 FE 1F FE 20 POWER ~4800 EF 65 FE 0E",
        "EE 65 EE 65 EE 65 0F 0F", "O-,--");
    add("4800 module deaf on a 9600 line", "EF 65 FE 1F FE 20 POWER EF 65 FE 0E", "EE 65",
        "--,--");
    add("9600 modules deaf on a 4800 line", "~4800 EF 66 FE 0E EF 65", "", "--,--");
    add("9600 modules deaf on a 19200 line", "~19200 EF 66 FE 0E EF 65", "", "--,--");
    add("answer at 4800 read on a 9600 line", "EF 65 FE 1F FE 20 POWER ~4800 EF 65 EA ~9600 @50",
        "EE 65 EE 65 F8 FE 66 3C", "--,--");
    add("addresses 100 and 133 ignored", "EF 65 FE 30 64 FE 30 85 FE 20 POWER EF 65",
        "EE 65 EE 65", "O-,--");
}

void TestLine::answers()
{
    QFETCH(QString, script);
    QFETCH(QString, answers);
    QFETCH(QString, selected);

    Line line({101, 102});
    line.setInputs(1, 0xA5);
    QCOMPARE(run(line, script), answers);
    QStringList selections;
    for (int i = 0; i < line.moduleCount(); ++i)
        selections << moduleState(line.module(i)).value(u"selected"_s);
    QCOMPARE(selections.join(u','), selected);
}

// What module 101 shows and keeps after a script: rows and cursor, or its cursor look,
// backlight, outputs and speed.
void TestLine::state_data()
{
    QTest::addColumn<QString>("script"); // after EF 65
    QTest::addColumn<QString>("fields"); // as moduleState() names them
    const auto add = [](const char* name, const char* script, const char* rows,
                        const char* cursor) {
        QTest::newRow(name) << QString::fromLatin1(script)
                            << u"rows=%1;cursor=%2"_s.arg(QLatin1String(rows),
                                                          QLatin1String(cursor));
    };
    // Cursor look, backlight, outputs, baud.
    const auto set = [](const char* name, const char* script, const char* state) {
        const QStringList s = QString::fromLatin1(state).split(u' ');
        QTest::newRow(name) << QString::fromLatin1(script)
                            << u"look=%1;light=%2;outputs=%3;baud=%4"_s.arg(s[0], s[1], s[2],
                                                                            s[3]);
    };

    add("start-up screen", "", "  Serial LCD|  16x2 module", "0,0");
    add("two rows", "0D \"AB\" 0C \"CD\"", "AB|CD", "1,2");
    add("first row runs on", "0D \"0123456789abcdefXY\"", "0123456789abcdef|XY", "1,2");
    add("second row wraps", "0D 0C \"0123456789abcdefZ\"", "Z|0123456789abcdef", "0,1");
    add("0D clears and homes", "\"ABC\" 0D", "|", "0,0");
    add("custom and high codes", "0D 00 07 08 1F \"A\" 80 FF", "{00}{07}A{80}{FF}|", "0,5");
    add("EF inside text", "0D \"AB\" EF 66 \"CD\"", "AB|", "0,2");
    add("EA inside text", "0D \"AB\" EA \"CD\"", "AB|", "0,2");
    add("EA 64 inside text", "0D \"A\" EA 64 \"B\"", "AB|", "0,2");
    add("FE inside text", "0D \"AB\" FE 32 01 03 \"C\"", "AB|   C", "1,4");
    add("FE cut short by EF", "0D \"A\" FE EF 65 \"B\"", "AB|", "0,2");
    add("unknown FE code skipped", "0D FE 99 \"A\"", "A|", "0,1");
    add("clear row 0", "0D \"AB\" 0C \"CD\" FE 2D 00 \"X\"", "X|CD", "0,1");
    add("clear row 1", "0D \"AB\" 0C \"Configuring..\" FE 2D 01 \"Completed\"", "AB|Completed",
        "1,9");
    add("clear column", "0D \"ABC\" 0C \"DEF\" FE 2E 01", "A C|D F", "1,3");
    add("cursor to the last cell", "0D FE 32 01 0F \"XY\"", "Y|               X", "0,1");
    add("cursor outside ignored", "0D \"A\" FE 32 02 00 FE 32 00 10 \"B\"", "AB|", "0,2");
    add("predefined text", "FE 67 \"Third text here!\" 0D FE 34 67 01", "|Third text here!",
        "0,0");
    add("predefined text 64 and 6F", "0D FE 34 64 00 FE 34 6F 01", "|", "0,0");
    add("text takes any byte", "FE 65 0C 0D EA EF FE 00 41*10 0D FE 34 65 00",
        "{0C}{0D}{EA}{EF}{FE}{00}AAAAAAAAAA|", "1,0");
    add("bitmaps take any byte", "0D FE 64 0C 0D EA EF FE 0E 00*58 \"A\"", "A|", "0,1");
    add("08 and start-up screen", "0D \"A\" FE 08 FE C8 58*32 \"B\"", "AB|", "0,2");
    add("serial number", "FE 09", "Serial number|20010100", "0,0");
    add("stored start-up screen",
        "FE C8 \"Hello\" 20*11 \"World\" 20*11 FE 20 FE C8 58*32 0D POWER", "Hello|World", "0,0");
    add("not selected", "EF 66 0D \"AB\"", "  Serial LCD|  16x2 module", "0,0");
    add("broadcast reaches all", "EF 66 EF 64 0D \"Conf\" EA 64 \"!\"", "Conf|", "0,4");
    set("blinking", "FE 02", "blinking on 00 9600");
    set("hidden", "FE 03", "hidden on 00 9600");
    set("underline again", "FE 03 FE 01", "underline on 00 9600");
    set("backlight off", "FE 07", "underline off 00 9600");
    set("backlight flashing", "FE 0B", "underline flashing 00 9600");
    set("backlight on again", "FE 07 FE 06", "underline on 00 9600");
    set("all outputs off", "FE 0C FE 0D", "underline on 00 9600");
    set("outputs 1 and 8 on", "FE 33 00 48 FE 33 07 48", "underline on 81 9600");
    set("output 4 off", "FE 0C FE 33 03 4C", "underline on f7 9600");
    set("output 9, state A ignored", "FE 33 08 48 FE 33 00 41", "underline on 00 9600");
    set("options not selected", "EF 66 FE 0C FE 07 FE 03", "underline on 00 9600");
    set("4800 stored, before power-up", "FE 1F FE 20", "underline on 00 9600");
    set("4800 not stored", "FE 1F POWER", "underline on 00 9600");
    set("4800 stored", "FE 1F FE 20 POWER", "underline on 00 4800");
    set("4800 stored in broadcast", "EA @30 EF 64 FE 1F FE 20 POWER", "underline on 00 4800");
    set("power-up resets", "FE 0B FE 03 FE 0C POWER", "underline on 00 9600");
}

void TestLine::state()
{
    QFETCH(QString, script);
    QFETCH(QString, fields);
    Line line({101, 102});
    run(line, u"EF 65 "_s + script);
    QCOMPARE(moduleState(line.module(0), fields), fields);
}

void TestLine::sharedAddressGarblesAnswers()
{
    Line line({101, 102, 101});
    line.setInputs(2, 0x03);
    QSignalSpy conflicts(&line, &Line::conflict);
    const QString select = run(line, u"EF 65"_s);
    QVERIFY2(!select.isEmpty() && !select.startsWith(u"EE 65"_s), qPrintable(select));
    QVERIFY(!run(line, u"FE 0E"_s).startsWith(u"EE 65"_s));
    QCOMPARE(conflicts.size(), 2);
    QCOMPARE(conflicts.first().first().value<quint8>(), quint8(101));
    QCOMPARE(line.module(1).conflicts(), 0);
    // A silent line carries nothing back, conflicts included.
    line.setSilent(true);
    QCOMPARE(run(line, u"FE 0E EA @50 EF 66 FE 0E"_s), QString());
}

void TestLine::uartReadsItsOwnSpeed()
{
    QByteArray all(256, '\0');
    std::iota(all.begin(), all.end(), char(0));
    for (int baud : {300, 4800, 9600, 115200})
        QCOMPARE(receive({{all, baud, 0}}, baud), all);
}

void TestLine::uartAtAnotherSpeed_data()
{
    QTest::addColumn<QList<Transmission>>("sent");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QByteArray>("received");
    const QByteArray answer = QByteArrayLiteral("\xEE\x65");

    // Worked out bit by bit: the receiver samples the middle of its own bit times. An answer at
    // 4800 read at 9600 is the answers table's.
    QTest::newRow("55 at 9600, every other bit read")
        << QList<Transmission>{{"\x55", 9600, 0}} << 4800 << QByteArray("\xFF");
    QTest::newRow("00 at 4800, a break")
        << QList<Transmission>{{QByteArray(1, '\0'), 4800, 0}} << 9600 << QByteArray(1, '\0');
    QTest::newRow("zeros at 50, one break each")
        << QList<Transmission>{{QByteArray(64, '\0'), 50, 0}} << 9600 << QByteArray(64, '\0');
    QTest::newRow("0F at 9600, read at 19200")
        << QList<Transmission>{{"\x0F", 9600, 0}} << 19200 << QByteArray("\xFE\x80");
    QTest::newRow("two answers a bit apart")
        << QList<Transmission>{{answer, 9600, 0}, {answer, 9600, 1}} << 9600
        << QByteArray("\xCC\x40\xFF");
}

void TestLine::uartAtAnotherSpeed()
{
    QFETCH(QList<Transmission>, sent);
    QFETCH(int, baud);
    QFETCH(QByteArray, received);
    QCOMPARE(receive(sent, baud).toHex(' '), received.toHex(' '));
}

void TestLine::storeSurvivesRestart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"line.json"_s);
    {
        Line line({101, 102}, path);
        run(line, u"EF 65 FE C8 \"Stored\" 0C 0D EA EF FE 00 20*20 FE 64 EA*32 FE*32 "
                  "FE 6A \"Text six\" EA 64 20*6 FE 30 70 FE 1F FE 20 FE C8 58*32"_s);
        QCOMPARE(line.storeProblem(), QString());
    }
    Line line({101, 102}, path);
    QCOMPARE(line.storeProblem(), QString());
    const Module& module = line.module(0);
    QCOMPARE(shown(module), u"Stored{0C}{0D}{EA}{EF}{FE}{00}|"_s);
    QCOMPARE(module.address(), quint8(112));
    QCOMPARE(module.baud(), 4800);
    QCOMPARE(module.working().bitmaps, QByteArray(32, '\xEA') + QByteArray(32, '\xFE'));
    QCOMPARE(module.working().texts.at(5), QByteArray("Text six\xEA\x64") + QByteArray(6, ' '));
    QCOMPARE(line.module(1).address(), quint8(102));

    // A damaged file leaves the modules as they left the factory, and says so.
    QVERIFY(test::put(path, "{\"modules\": [{\xFF"));
    Line damaged({101}, path);
    QVERIFY(!damaged.storeProblem().isEmpty());
    QCOMPARE(shown(damaged.module(0)), u"  Serial LCD|  16x2 module"_s);
}

void TestLine::plugsAndUnplugsWhileRunning()
{
    Line line({101});
    QSignalSpy replaced(&line, &Line::modulesChanged);
    // A module someone stored at 4800 hears only a line at 4800, and starts at its factory
    // address whatever an earlier one of its address stored.
    QCOMPARE(run(line, u"EF 65 FE 30 6D FE 20 EA @100 POWER"_s), u"EE 65 EE 65"_s);
    QCOMPARE(line.plug(105, 4800), 1);
    QCOMPARE(line.plug(101), 2);
    QCOMPARE(replaced.size(), 2);
    QCOMPARE(run(line, u"@200 EF 69 @300 EA @400 ~4800 EF 69 @500 EA @600"_s), u"EE 69 EE 69"_s);
    QCOMPARE(run(line, u"@700 ~9600 EF 65 @800 EA @900 EF 6D"_s), u"EE 65 EE 65 EE 6D"_s);
    // Unplugged, a module is silent, selected or not; the others stay.
    QCOMPARE(line.unplug(101), 1);
    QCOMPARE(line.unplug(101), 0);
    QCOMPARE(line.unplug(109), 1);
    QCOMPARE(run(line, u"@1000 EA @1100 EF 6D"_s), QString());
    QCOMPARE(line.unplug(0), 1);
    QCOMPARE(line.moduleCount(), 0);
    QCOMPARE(replaced.size(), 5);
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestLine)
#include "tst_line.moc"
