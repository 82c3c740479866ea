#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"

#include "Files.h"
#include "LcdSection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velnor;
using velnor::test::contents;
using velnor::test::put;

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
