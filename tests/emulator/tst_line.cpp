#include "LineScript.h"

#include "emulator/Collision.h"
#include "emulator/Line.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace velnor {

// The line with modules 101 and 102 (and a shared-address pair), driven by byte scripts.
class TestLine : public QObject
{
    Q_OBJECT

private slots:
    void selection_data();
    void selection();
    void display_data();
    void display();
    void unselectedModuleIgnoresFrames();
    void broadcastReachesEveryModule();
    void looksAndOutputs_data();
    void looksAndOutputs();
    void inputAnswer_data();
    void inputAnswer();
    void bitmapsTakeAnyByte();
    void newAddressAndBaudWaitForStoreAndPowerUp_data();
    void newAddressAndBaudWaitForStoreAndPowerUp();
    void powerUpShowsStoredStartupScreen_data();
    void powerUpShowsStoredStartupScreen();
    void configurationUploadInBroadcastMode();
    void sharedAddressGarblesAnswers_data();
    void sharedAddressGarblesAnswers();
    void silentLineNeverAnswers();
    void collisionOfOneAnswerIsThatAnswer();
};

namespace {

QList<quint8> twoModules()
{
    return {101, 102};
}

} // namespace

void TestLine::selection_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("selected"); // 101, 102
    const auto add = [](const char* name, const char* script, const char* answers,
                        const char* selected) {
        QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(answers)
                            << QString::fromLatin1(selected);
    };

    add("select answers", "EF 65", "EE 65", "O-,--");
    add("select takes the other's selection", "EF 65 EF 66", "EE 65 EE 66", "--,O-");
    add("select of an absent address ends own selections", "EF 65 EF 63", "EE 65", "--,--");
    add("broadcast keeps own selection, nobody answers", "EF 65 EF 64", "EE 65", "OB,-B");
    add("select ends broadcast", "EF 64 EF 66", "EE 66", "--,O-");
    add("EA 64 ends broadcast, keeps own", "EF 65 EF 64 EA 64", "EE 65", "O-,--");
    add("64 20 ms after EA: broadcast off", "EF 65 EF 64 @10 EA @30 64", "EE 65", "O-,--");
    add("64 21 ms after EA: deselect, then a character", "EF 65 EF 64 @10 EA @31 64",
        "EE 65 EE 65", "-B,-B");
    add("lone EA once its window closed", "EF 65 @0 EA @21", "EE 65 EE 65", "--,--");
    add("lone EA still waiting at 20 ms", "EF 65 EA @20", "EE 65", "O-,--");
    add("lone EA keeps broadcast", "EF 64 EA @50 EA @100", "", "-B,-B");
    add("lone EA in broadcast answers for own selection", "EF 65 EF 64 EA @50", "EE 65 EE 65",
        "-B,-B");
    add("EA then another frame at once", "EF 65 EA EF 66", "EE 65 EE 65 EE 66", "--,O-");
    add("second deselect has nobody to answer", "EF 65 EA @30 EA @60", "EE 65 EE 65", "--,--");
    add("EA and 64 in two reads", "EF 66 EF 64 EA | 64", "EE 66", "--,O-");
    add("select cut short by a deselect", "EF 65 EF EA @30", "EE 65 EE 65", "--,--");
    add("select address in a later read", "EF | 66", "EE 66", "--,O-");
    add("read inputs: own selection answers", "EF 66 FE 0E", "EE 66 EE 66 0F 0F", "--,O-");
    add("read inputs: broadcast only, no answer", "EF 64 FE 0E", "", "-B,-B");
    add("read inputs: own and broadcast", "EF 65 EF 64 FE 0E", "EE 65 EE 65 0F 0F", "OB,-B");
    add("read inputs: nobody selected", "FE 0E", "", "--,--");
    add("0E as an argument is no read", "EF 65 FE 2E 0E", "EE 65", "O-,--");
}

void TestLine::selection()
{
    QFETCH(QString, script);
    QFETCH(QString, answers);
    QFETCH(QString, selected);

    Line line(twoModules());
    QString error;
    const QByteArray sent = runScript(line, script, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(hexText(sent), answers);
    QCOMPARE(selections(line), selected);
}

void TestLine::display_data()
{
    QTest::addColumn<QString>("script"); // after EF 65 has selected module 101
    QTest::addColumn<QString>("row0");   // without trailing blanks
    QTest::addColumn<QString>("row1");
    QTest::addColumn<QString>("cursor");
    const auto add = [](const char* name, const char* script, const char* row0, const char* row1,
                        const char* cursor) {
        QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(row0)
                            << QString::fromLatin1(row1) << QString::fromLatin1(cursor);
    };

    add("power-up shows the start-up screen", "", "  Serial LCD", "  16x2 module", "0,0");
    add("two lines", "0D \"AB\" 0C \"CD\"", "AB", "CD", "1,2");
    add("sixteen characters run on", "0D \"0123456789abcdef\" \"XY\"", "0123456789abcdef", "XY",
        "1,2");
    add("end of the second row wraps to the first", "0D 0C \"0123456789abcdefZ\"", "Z",
        "0123456789abcdef", "0,1");
    add("0D clears and homes", "\"ABC\" 0D", "", "", "0,0");
    add("custom characters", "0D 00 07 \"A\"", "{00}{07}A", "", "0,3");
    add("unknown control codes change nothing", "0D \"A\" 08 0B 0E 1F \"B\"", "AB", "", "0,2");
    add("high codes are characters", "0D 80 EE FF", "{80}{EE}{FF}", "", "0,3");
    add("select inside text", "0D \"AB\" EF 66 \"CD\"", "AB", "", "0,2");
    add("deselect inside text", "0D \"AB\" EA \"CD\"", "AB", "", "0,2");
    add("broadcast off inside text", "0D \"A\" EA 64 \"B\"", "AB", "", "0,2");
    add("command inside text", "0D \"AB\" FE 32 01 03 \"C\"", "AB", "   C", "1,4");
    add("command cut short by a select", "0D \"A\" FE EF 65 \"B\"", "AB", "", "0,2");
    add("unknown command skipped alone", "0D FE 99 \"A\" FE 0F \"B\"", "AB", "", "0,2");
    add("clear row 0", "0D \"AB\" 0C \"CD\" FE 2D 00 \"X\"", "X", "CD", "0,1");
    add("clear row 1, then Completed", "0D \"AB\" 0C \"Configuring..\" FE 2D 01 \"Completed\"",
        "AB", "Completed", "1,9");
    add("clear row 2 ignored", "0D \"AB\" FE 2D 02 \"X\"", "ABX", "", "0,3");
    add("clear column", "0D \"ABC\" 0C \"DEF\" FE 2E 01", "A C", "D F", "1,3");
    add("clear column 16 ignored", "0D \"AB\" FE 2E 10", "AB", "", "0,2");
    add("cursor to the last cell, then wrap", "0D FE 32 01 0F \"XY\"", "Y", "               X",
        "0,1");
    add("cursor row 2 ignored", "0D \"A\" FE 32 02 00 \"B\"", "AB", "", "0,2");
    add("cursor column 16 ignored", "0D \"A\" FE 32 00 10 \"B\"", "AB", "", "0,2");
    add("predefined text on row 1", "FE 67 \"Third text here!\" 0D FE 34 67 01", "",
        "Third text here!", "0,0");
    add("factory predefined text 10", "0D FE 34 6E 00", "Predefined 10", "", "1,0");
    add("predefined text outside 65..6E", "0D FE 34 64 00 FE 34 6F 01 FE 34 65 02", "", "", "0,0");
    add("text arguments hold frame bytes", "FE 65 0C 0D EA EF FE 00 41*10 0D FE 34 65 00",
        "{0C}{0D}{EA}{EF}{FE}{00}AAAAAAAAAA", "", "1,0");
    add("text argument in two reads", "FE 65 \"Split\" | \" across reads\" 0D FE 34 65 00",
        "Split across rea", "", "1,0");
    add("serial number", "FE 09", "Serial number", "20010100", "0,0");
    add("command 08 changes nothing", "0D \"A\" FE 08 \"B\"", "AB", "", "0,2");
    add("start-up screen frame does not show", "0D FE C8 58*32", "", "", "0,0");
}

void TestLine::display()
{
    QFETCH(QString, script);
    QFETCH(QString, row0);
    QFETCH(QString, row1);
    QFETCH(QString, cursor);

    Line line(twoModules());
    QString error;
    runScript(line, u"EF 65 "_s + script, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const Module& module = line.module(0);
    const auto shown = [&module](int row) {
        QString text = shownRow(module, row);
        while (text.endsWith(u' '))
            text.chop(1);
        return text;
    };
    QCOMPARE(shown(0), row0);
    QCOMPARE(shown(1), row1);
    QCOMPARE(u"%1,%2"_s.arg(module.cursorRow()).arg(module.cursorColumn()), cursor);
}

void TestLine::unselectedModuleIgnoresFrames()
{
    Line line(twoModules());
    const QByteArray before = line.module(1).row(0);
    runScript(line, QStringLiteral("EF 65 0D \"AB\" FE 07 FE 0C FE 32 01 05 FE 02"));
    const Module& other = line.module(1);
    QCOMPARE(other.row(0), before);
    QCOMPARE(other.backlight(), Module::Backlight::On);
    QCOMPARE(other.outputs(), quint8(0));
    QCOMPARE(other.cursorRow(), 0);
    QCOMPARE(other.cursorLook(), Module::CursorLook::Underline);
    QCOMPARE(shownRow(line.module(0), 0), u"AB              "_s);
}

void TestLine::broadcastReachesEveryModule()
{
    Line line(twoModules());
    runScript(line, QStringLiteral("EF 66 EF 64 0D \"Config. Mode\" EA 64 \"!\""));
    QCOMPARE(shownRow(line.module(0), 0), u"Config. Mode    "_s);
    QCOMPARE(shownRow(line.module(1), 0), u"Config. Mode!   "_s);
}

void TestLine::looksAndOutputs_data()
{
    QTest::addColumn<QString>("script"); // after EF 65
    QTest::addColumn<QString>("state");  // cursor look, backlight, outputs
    const auto add = [](const char* name, const char* script, const char* state) {
        QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(state);
    };

    add("power-up", "", "underline on 00");
    add("blinking", "FE 02", "blinking on 00");
    add("hidden", "FE 03", "hidden on 00");
    add("underline again", "FE 03 FE 01", "underline on 00");
    add("backlight off", "FE 07", "underline off 00");
    add("backlight flashing", "FE 0B", "underline flashing 00");
    add("backlight on again", "FE 0B FE 06", "underline on 00");
    add("all outputs on, then off", "FE 0C | FE 0D FE 0C FE 0D", "underline on 00");
    add("output 1 on", "FE 33 00 48", "underline on 01");
    add("output 8 on", "FE 33 07 48", "underline on 80");
    add("output 4 off after all on", "FE 0C FE 33 03 4C", "underline on f7");
    add("output 9 ignored", "FE 33 08 48", "underline on 00");
    add("state other than H or L ignored", "FE 33 00 41 FE 33 01 68", "underline on 00");
    add("not selected any more", "EF 66 FE 0C FE 07 FE 03", "underline on 00");
}

void TestLine::looksAndOutputs()
{
    QFETCH(QString, script);
    QFETCH(QString, state);

    Line line(twoModules());
    runScript(line, u"EF 65 "_s + script);
    const Module& module = line.module(0);
    const char* looks[] = {"underline", "blinking", "hidden"};
    const char* backlights[] = {"on", "off", "flashing"};
    QCOMPARE(u"%1 %2 %3"_s
                 .arg(QLatin1StringView(looks[int(module.cursorLook())]),
                      QLatin1StringView(backlights[int(module.backlight())]))
                 .arg(module.outputs(), 2, 16, QChar(u'0')),
             state);
}

void TestLine::inputAnswer_data()
{
    QTest::addColumn<quint8>("inputs");
    QTest::addColumn<QString>("answer");

    QTest::newRow("all open") << quint8(0xFF) << "EE 66 0F 0F";
    QTest::newRow("all closed") << quint8(0x00) << "EE 66 00 00";
    QTest::newRow("inputs 1 and 3 open, 6 and 8 open") << quint8(0xA5) << "EE 66 05 0A";
    QTest::newRow("only input 5 open") << quint8(0x10) << "EE 66 00 01";
    QTest::newRow("only input 4 open") << quint8(0x08) << "EE 66 08 00";
}

void TestLine::inputAnswer()
{
    QFETCH(quint8, inputs);
    QFETCH(QString, answer);

    Line line(twoModules());
    line.setInputs(1, inputs);
    runScript(line, QStringLiteral("EF 66"));
    QCOMPARE(hexText(runScript(line, QStringLiteral("FE 0E"))), answer);
}

void TestLine::bitmapsTakeAnyByte()
{
    Line line(twoModules());
    const QString bitmaps =
        QStringLiteral("0C 0D EA EF FE 64 0E 20 01 02 03 04 05 06 07 08 11 12 13 14 15 16 17 18 "
                       "1F 00 1F 00 1F 00 1F 00 21 22 23 24 25 26 27 28 31 32 33 34 35 36 37 38 "
                       "41 42 43 44 45 46 47 48 51 52 53 54 55 56 57 58");
    const QByteArray sent = runScript(line, u"EF 65 FE 64 "_s + bitmaps + u" \"A\""_s);
    QCOMPARE(hexText(sent), u"EE 65"_s);
    const QByteArray expected = scriptBytes(bitmaps);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(line.module(0).customCharacter(i), expected.mid(i * 8, 8));
    QVERIFY(line.module(0).ownSelected());
    QCOMPARE(line.module(0).cell(0, 0), quint8('A'));
}

void TestLine::newAddressAndBaudWaitForStoreAndPowerUp_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("addressBefore");
    QTest::addColumn<int>("addressAfter"); // after a power-up
    QTest::addColumn<int>("baudAfter");

    QTest::newRow("new address stored") << "EF 65 FE 30 69 FE 20" << 101 << 105 << 9600;
    QTest::newRow("new address not stored") << "EF 65 FE 30 69" << 101 << 101 << 9600;
    QTest::newRow("address 100 ignored") << "EF 65 FE 30 64 FE 20" << 101 << 101 << 9600;
    QTest::newRow("address 133 ignored") << "EF 65 FE 30 85 FE 20" << 101 << 101 << 9600;
    QTest::newRow("address 132 taken") << "EF 65 FE 30 84 FE 20" << 101 << 132 << 9600;
    QTest::newRow("4800 stored") << "EF 65 FE 1F FE 20" << 101 << 101 << 4800;
    QTest::newRow("stored by broadcast")
        << "EF 64 FE 30 70 FE 1F EF 64 FE 20" << 101 << 112 << 4800;
}

void TestLine::newAddressAndBaudWaitForStoreAndPowerUp()
{
    QFETCH(QString, script);
    QFETCH(int, addressBefore);
    QFETCH(int, addressAfter);
    QFETCH(int, baudAfter);

    Line line({101});
    runScript(line, script);
    QCOMPARE(int(line.module(0).address()), addressBefore);
    QCOMPARE(line.module(0).baud(), 9600);
    // Until the power-up the module still answers to its old address only.
    QCOMPARE(hexText(runScript(line, u"EF %1"_s.arg(addressBefore, 2, 16))),
             u"EE %1"_s.arg(addressBefore, 2, 16).toUpper());

    line.powerUp();
    QCOMPARE(int(line.module(0).address()), addressAfter);
    QCOMPARE(line.module(0).baud(), baudAfter);
    QCOMPARE(selections(line), u"--"_s);
    QCOMPARE(hexText(runScript(line, u"EF %1"_s.arg(addressAfter, 2, 16))),
             u"EE %1"_s.arg(addressAfter, 2, 16).toUpper());
}

void TestLine::powerUpShowsStoredStartupScreen_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("row0");
    QTest::addColumn<QString>("row1");
    QTest::addColumn<QString>("text1"); // predefined text 1 after the power-up

    QTest::newRow("stored") << "EF 65 FE C8 \"Hello there     Second line  \" 01 02 03 "
                               "FE 65 \"My text\" 20*9 FE 20"
                            << "Hello there     "
                            << "Second line  {01}{02}{03}"
                            << "My text         ";
    QTest::newRow("not stored") << "EF 65 FE C8 58*32 FE 65 59*16 EA @30"
                                << "  Serial LCD    "
                                << "  16x2 module   "
                                << "Predefined 1    ";
    QTest::newRow("stored, then changed without storing") << "EF 65 FE C8 41*32 FE 20 FE C8 42*32"
                                                          << "AAAAAAAAAAAAAAAA"
                                                          << "AAAAAAAAAAAAAAAA"
                                                          << "Predefined 1    ";
}

void TestLine::powerUpShowsStoredStartupScreen()
{
    QFETCH(QString, script);
    QFETCH(QString, row0);
    QFETCH(QString, row1);
    QFETCH(QString, text1);

    Line line(twoModules());
    runScript(line, script);
    runScript(line, QStringLiteral("FE 0B FE 03 FE 0C"));
    line.powerUp();
    const Module& module = line.module(0);
    QCOMPARE(shownRow(module, 0), row0);
    QCOMPARE(shownRow(module, 1), row1);
    QCOMPARE(module.cursorRow() * 16 + module.cursorColumn(), 0);
    QCOMPARE(module.cursorLook(), Module::CursorLook::Underline);
    QCOMPARE(module.backlight(), Module::Backlight::On);
    QCOMPARE(module.outputs(), quint8(0));
    runScript(line, QStringLiteral("EF 65 FE 34 65 00"));
    QCOMPARE(shownRow(module, 0), text1);
}

void TestLine::configurationUploadInBroadcastMode()
{
    // What the configuration window sends: select all and say so, upload, deselect, and a
    // second upload later, then store, with module 101 selected by the main window before.
    QString upload = QStringLiteral("0C \"Configuring..\" FE 1E FE 30 6E FE C8 \"Welcome!\" "
                                    "20*8 \"Line two\" 20*8 FE 64 00*63 1F FE 08");
    for (int k = 1; k <= 10; ++k)
        upload += u" FE %1 \"Text %2\" 20*%3"_s.arg(0x64 + k, 2, 16).arg(k).arg(k < 10 ? 10 : 9);
    upload += QStringLiteral(" FE 2D 01 \"Completed\" EA");

    Line line(twoModules());
    QByteArray sent = runScript(line, QStringLiteral("EF 65 @1000 EF 64 0D \"Config. Mode\""));
    sent += runScript(line, u"@2000 "_s + upload + u" @3000 "_s + upload);
    sent += runScript(line, QStringLiteral("@4000 EF 64 FE 20 @5000"));

    // Only the select and the first upload's closing deselect are answered, by 101.
    QCOMPARE(hexText(sent), u"EE 65 EE 65"_s);
    for (int i = 0; i < 2; ++i) {
        const Module& module = line.module(i);
        QCOMPARE(shownRow(module, 0), u"Config. Mode    "_s);
        QCOMPARE(shownRow(module, 1), u"Completed       "_s);
        QCOMPARE(module.stored().address, quint8(110));
        QCOMPARE(module.stored().texts.at(9), QByteArray("Text 10         "));
        QCOMPARE(module.stored().bitmaps.at(63), char(0x1F));
    }
    line.powerUp();
    QCOMPARE(shownRow(line.module(1), 0), u"Welcome!        "_s);
    QCOMPARE(int(line.module(1).address()), 110);
}

void TestLine::sharedAddressGarblesAnswers_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("clean"); // what each module alone would have sent
    QTest::addColumn<int>("conflicts");

    QTest::newRow("select") << "EF 65" << QStringList{u"EE 65"_s, u"EE 65"_s} << 1;
    QTest::newRow("read inputs") << "| FE 0E" << QStringList{u"EE 65 0F 0F"_s, u"EE 65 03 00"_s}
                                 << 2;
    QTest::newRow("lone deselect") << "| EA @100" << QStringList{u"EE 65"_s, u"EE 65"_s} << 2;
}

void TestLine::sharedAddressGarblesAnswers()
{
    QFETCH(QString, script);
    QFETCH(QStringList, clean);
    QFETCH(int, conflicts);

    Line line({101, 102, 101});
    line.setInputs(2, 0x03);
    QSignalSpy spy(&line, &Line::conflict);
    QCOMPARE(line.module(0).serialNumber() == line.module(2).serialNumber(), false);

    if (script.startsWith(u'|'))
        runScript(line, QStringLiteral("EF 65"));
    const QByteArray sent = runScript(line, script);
    const QByteArray expected = collide({scriptBytes(clean.at(0)), scriptBytes(clean.at(1))});
    QCOMPARE(hexText(sent), hexText(expected));
    QVERIFY(!sent.startsWith(scriptBytes(clean.at(0)).left(2)));
    QVERIFY(!sent.startsWith(scriptBytes(clean.at(1)).left(2)));
    QVERIFY(!spy.isEmpty());
    QCOMPARE(spy.last().at(0).value<quint8>(), quint8(101));
    QCOMPARE(line.module(0).conflicts(), conflicts);
    QCOMPARE(line.module(2).conflicts(), conflicts);
    QCOMPARE(line.module(1).conflicts(), 0);
}

void TestLine::silentLineNeverAnswers()
{
    Line line({101, 101, 102});
    line.setSilent(true);
    QSignalSpy spy(&line, &Line::conflict);
    const QByteArray sent =
        runScript(line, QStringLiteral("EF 65 FE 0E EA @50 EF 66 FE 0E \"Hi\" EA @100"));
    QVERIFY(sent.isEmpty());
    QVERIFY(spy.isEmpty());
    QCOMPARE(shownRow(line.module(2), 0), u"HiSerial LCD    "_s);
}

void TestLine::collisionOfOneAnswerIsThatAnswer()
{
    for (const QByteArray& answer :
         {scriptBytes(u"EE 65"_s), scriptBytes(u"EE 84 0F 00"_s), scriptBytes(u"00 FF"_s)})
        QCOMPARE(collide({answer}), answer);
    QVERIFY(collide({}).isEmpty());
    // Three modules at once garble differently from two.
    const QByteArray ack = scriptBytes(u"EE 65"_s);
    QVERIFY(collide({ack, ack, ack}) != collide({ack, ack}));
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestLine)
#include "tst_line.moc"
