#include "settings/IniFile.h"
#include "settings/ModuleSetup.h"

#include "Files.h"

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
    void loadCutsToTheBoxesAndValidatesNothing_data()
    {
        QTest::addColumn<QByteArray>("lcd");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<bool>("at9600");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("bitmap1");
        QTest::newRow("empty section")
            << QByteArray() << QString() << false << QString() << QString();
        QTest::newRow("as saved") << QByteArray("UID=107\nBaud=9600\nLine1=Hello\nCustom1=31\n")
                                  << QStringLiteral("107") << true << QStringLiteral("Hello")
                                  << QStringLiteral("31");
        QTest::newRow("long values are cut")
            << QByteArray("Line1=ABCDEFGHIJKLMNOPQRST\nCustom1=1234\n") << QString() << false
            << QStringLiteral("ABCDEFGHIJKLMNOP") << QStringLiteral("123");
        QTest::newRow("baud 09600")
            << QByteArray("Baud=09600\n") << QString() << false << QString() << QString();
        QTest::newRow("baud 9600.0")
            << QByteArray("Baud=9600.0\n") << QString() << false << QString() << QString();
        QTest::newRow("address and bitmap words")
            << QByteArray("UID=word\nCustom1=abcd\n") << QStringLiteral("word") << false
            << QString() << QStringLiteral("abc");
    }

    void loadCutsToTheBoxesAndValidatesNothing()
    {
        QFETCH(QByteArray, lcd);
        QFETCH(QString, uid);
        QFETCH(bool, at9600);
        QFETCH(QString, line1);
        QFETCH(QString, bitmap1);
        QTemporaryDir dir;
        const IniFile ini(dir.filePath(QStringLiteral("velnor.ini")));
        QVERIFY(put(ini.path(), "[LCD]\n" + lcd));

        const ModuleSetup setup = ModuleSetup::load(ini);
        QCOMPARE(setup.uid, uid);
        QCOMPARE(setup.at9600, at9600);
        QCOMPARE(setup.line1, line1);
        QCOMPARE(setup.bitmaps[0], bitmap1);
    }

    void saveWritesEveryKeyInOrderAndLoadsBack()
    {
        QTemporaryDir dir;
        const IniFile ini(dir.filePath(QStringLiteral("velnor.ini")));
        QVERIFY(
            put(ini.path(), "; bench 3\r\n[Settings]\r\nCommPort=2\r\nSetting=4800,n,8,1\r\n"));

        ModuleSetup setup;
        setup.uid = QStringLiteral("120");
        setup.at9600 = false;
        setup.line1 = QStringLiteral(" padded ");
        setup.line2 = QStringLiteral("x");
        for (int k = 0; k < ModuleSetup::kTexts; ++k)
            setup.texts[size_t(k)] = QStringLiteral("text %1").arg(k + 1);
        for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
            setup.bitmaps[size_t(i)] = QString::number(i * 4);
        QCOMPARE(setup.save(ini), QStringList());
        QCOMPARE(ModuleSetup::load(ini), setup);

        const QByteArray saved = contents(ini.path());
        QVERIFY(
            saved.startsWith("; bench 3\r\n[Settings]\r\nCommPort=2\r\nSetting=4800,n,8,1\r\n"));
        qsizetype at = 0;
        QStringList keys{QStringLiteral("UID"), QStringLiteral("Baud"), QStringLiteral("Line1"),
                         QStringLiteral("Line2")};
        for (int k = 1; k <= 10; ++k)
            keys.append(QStringLiteral("PT%1").arg(k));
        for (int n = 1; n <= 64; ++n)
            keys.append(QStringLiteral("Custom%1").arg(n));
        for (const QString& key : keys) {
            const qsizetype next = saved.indexOf("\r\n" + key.toLatin1() + '=', at);
            QVERIFY2(next > at, qPrintable(key));
            at = next;
        }
        QVERIFY(saved.contains("\r\nBaud=4800\r\n"));
        QCOMPARE(setup.address(), std::optional<int>(120));
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
            refused += oneByOne.WriteIni(QStringLiteral("LCD"), key, value) ? 0 : 1;
        QCOMPARE(refused, 1); // the line break
        QCOMPARE(together.WriteIniKeys(QStringLiteral("LCD"), keys).size(), 1);
        QCOMPARE(contents(together.path()), contents(oneByOne.path()));
    }

    // A text the file cannot hold fails alone; the other keys are written. (Every key failing,
    // with the path, is the configuration window's test.)
    void aFailedKeyLeavesTheRestWritten()
    {
        QTemporaryDir dir;
        const IniFile good(dir.filePath(QStringLiteral("velnor.ini")));
        ModuleSetup setup;
        setup.line2 = QStringLiteral("\u20ac5");
        setup.texts[0] = QStringLiteral("kept");
        QCOMPARE(setup.save(good).size(), 1);
        QCOMPARE(good.ReadIni(QStringLiteral("LCD"), QStringLiteral("PT1")),
                 QStringLiteral("kept"));
    }
};

QTEST_GUILESS_MAIN(tst_ModuleSetup)
#include "tst_modulesetup.moc"
