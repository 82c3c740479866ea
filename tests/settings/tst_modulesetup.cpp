#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"
#include "settings/StationFile.h"

#include "Files.h"
#include "LcdSection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velnor;
using velnor::test::contents;
using velnor::test::put;
using namespace Qt::StringLiterals;

class tst_ModuleSetup final : public QObject
{
    Q_OBJECT

private slots:
    void loadCutsTheTextsAndValidatesNothing_data()
    {
        QTest::addColumn<QByteArray>("lcd");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<bool>("at9600");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("bitmap1");
        const auto row = [](const char* name, const char* lcd, const char* uid, bool at9600,
                            const char* line1, const char* bitmap1) {
            QTest::newRow(name) << QByteArray(lcd) << QString::fromLatin1(uid) << at9600
                                << QString::fromLatin1(line1) << QString::fromLatin1(bitmap1);
        };
        row("empty section", "", "", false, "", "");
        row("as saved", "UID=107\nBaud=9600\nLine1=Hello\nCustom1=31\n", "107", true, "Hello",
            "31");
        row("long texts are cut, bitmaps kept whole", "Line1=ABCDEFGHIJKLMNOPQRST\nCustom1=0255\n",
            "", false, "ABCDEFGHIJKLMNOP", "0255");
        row("baud 09600", "Baud=09600\n", "", false, "", "");
        row("address and bitmap words", "UID=word\nCustom1=abcd\n", "word", false, "", "abcd");
    }

    void loadCutsTheTextsAndValidatesNothing()
    {
        QFETCH(QByteArray, lcd);
        QFETCH(QString, uid);
        QFETCH(bool, at9600);
        QFETCH(QString, line1);
        QFETCH(QString, bitmap1);
        QTemporaryDir dir;
        const IniFile ini(dir.filePath(QStringLiteral("velnor.ini")));
        QVERIFY(put(ini.path(), "[LCD]\n" + lcd));

        const ModuleSetup setup = loadModuleSetup(ini);
        QCOMPARE(setup.uid, uid);
        QCOMPARE(setup.at9600, at9600);
        QCOMPARE(setup.line1, line1);
        QCOMPARE(setup.bitmaps[0], bitmap1);
    }

    // The panel's full section loads into the boxes and saves back as the same lines in the same
    // order, after what the file held before.
    void saveWritesEveryKeyInOrderAndLoadsBack()
    {
        const QByteArray head = "; bench 3\r\n[Settings]\r\nCommPort=2\r\nSetting=4800,n,8,1\r\n";
        const QByteArray section =
            test::lcdSection(test::lcdKeys({{QStringLiteral("UID"), QStringLiteral("120")},
                                            {QStringLiteral("Baud"), QStringLiteral("4800")}}));
        QTemporaryDir dir;
        const IniFile full(dir.filePath(QStringLiteral("full.ini")));
        const IniFile saved(dir.filePath(QStringLiteral("saved.ini")));
        QVERIFY(put(full.path(), head + section) && put(saved.path(), head));

        const ModuleSetup setup = loadModuleSetup(full);
        QCOMPARE(setup.address(), std::optional<int>(120));
        QVERIFY(!setup.at9600);
        QCOMPARE(setup.texts[9], QStringLiteral("Text 10"));
        QCOMPARE(setup.bitmaps[62], QStringLiteral("31"));
        QCOMPARE(saveModuleSetup(setup, saved), QStringList());
        QCOMPARE(contents(saved.path()), head + section);
    }

    // A station file is taken only whole: each refusal names the file and the key at fault.
    void stationFileRefusals_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("refusal");
        const auto lcd = [](const QString& key, const QString& value) {
            return test::lcdSection(test::lcdKeys({{key, value}}));
        };
        QTest::newRow("missing") << QByteArray() << u"no such file"_s;
        QTest::newRow("settings only")
            << QByteArray("[Settings]\nCommPort=2\n") << u"section [LCD] has no key UID"_s;
        QTest::newRow("address") << lcd(u"UID"_s, u"100"_s) << u"key UID (\"100\")"_s;
        QTest::newRow("speed") << lcd(u"Baud"_s, u"09600"_s) << u"key Baud (\"09600\")"_s;
        QTest::newRow("bitmap") << lcd(u"Custom17"_s, u"256"_s)
                                << u"key Custom17 (\"256\", CHAR 3, Byte 1)"_s;
        QTest::newRow("good") << lcd(u"UID"_s, u"132"_s) << QString();
    }

    void stationFileRefusals()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"station.ini"_s);
        QVERIFY(file.isNull() || put(path, file));
        const auto opened = StationFile::open(path);
        const auto* refused = std::get_if<StationFile::Refusal>(&opened);
        if (refusal.isEmpty()) {
            QVERIFY2(!refused, qPrintable(refused ? refused->message : QString()));
            return;
        }
        QVERIFY(refused);
        QVERIFY2(refused->message.startsWith(path + u": "_s), qPrintable(refused->message));
        QVERIFY2(refused->message.contains(refusal), qPrintable(refused->message));
    }

    // Saved, a station file is the section the settings file keeps, bitmaps as the bytes sent;
    // the last files opened are listed newest first, each once.
    void stationFileSavesTheSectionAndListsItself()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"station.ini"_s);
        const QString from = dir.filePath(u"from.ini"_s);
        QVERIFY(put(from, test::lcdSection(test::lcdKeys({{u"Custom2"_s, u"002"_s}}))));
        ModuleSetup setup = loadModuleSetup(IniFile(from));
        QCOMPARE(StationFile::save(setup, path), QString());
        ModuleSetup written = setup;
        written.bitmaps[1] = u"2"_s;
        QVERIFY(std::holds_alternative<ModuleSetup>(StationFile::open(path)));
        QCOMPARE(std::get<ModuleSetup>(StationFile::open(path)), written);
        setup.bitmaps[3] = u"x"_s;
        QVERIFY(StationFile::save(setup, path).contains(u"key Custom4"_s));
        QCOMPARE(std::get<ModuleSetup>(StationFile::open(path)), written);

        const IniFile settings(dir.filePath(u"velnor.ini"_s));
        for (const QString& name : {u"a"_s, u"b"_s, u"a"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s})
            QCOMPARE(StationFile::noteRecent(settings, dir.filePath(name)), QString());
        QCOMPARE(StationFile::recent(settings),
                 QStringList({dir.filePath(u"f"_s), dir.filePath(u"e"_s), dir.filePath(u"d"_s),
                              dir.filePath(u"c"_s), dir.filePath(u"a"_s)}));
    }

    void manyKeysInOneWriteAsOneAfterAnother_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("section elsewhere, CRLF")
            << QByteArray("[LCD]\r\nUID=101\r\nPT2=old\r\n[Ports]\r\n1=/dev/ttyUSB0\r\n");
        QTest::newRow("LF, last line unterminated") << QByteArray("; note\n[lcd]\nbaud=4800");
    }

    void manyKeysInOneWriteAsOneAfterAnother()
    {
        QFETCH(QByteArray, file);
        const QList<std::pair<QString, QString>> keys{
            {QStringLiteral("UID"), QStringLiteral("120")},
            {QStringLiteral("Baud"), QStringLiteral("9600")},
            {QStringLiteral("Line1"), QStringLiteral(" x ")},
            {QStringLiteral("PT2"), QStringLiteral("new")},
            {QStringLiteral("Line2"), QStringLiteral("a\nb")},
            {QStringLiteral("PT3"), QString()}};
        QTemporaryDir dir;
        const IniFile oneByOne(dir.filePath(QStringLiteral("one.ini")));
        const IniFile together(dir.filePath(QStringLiteral("all.ini")));
        for (const IniFile& ini : {oneByOne, together})
            QVERIFY(file.isNull() || put(ini.path(), file));
        int refused = 0;
        for (const auto& [key, value] : keys)
            refused += oneByOne.write(QStringLiteral("LCD"), key, value) ? 0 : 1;
        QCOMPARE(refused, 1); // the line break
        QCOMPARE(together.writeKeys(QStringLiteral("LCD"), keys).size(), 1);
        QCOMPARE(contents(together.path()), contents(oneByOne.path()));
    }
};

QTEST_GUILESS_MAIN(tst_ModuleSetup)
#include "tst_modulesetup.moc"
