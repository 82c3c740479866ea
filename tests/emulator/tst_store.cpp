#include "LineScript.h"

#include "emulator/Line.h"
#include "emulator/StoreFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace velnor {

// The store file: what modules stored survives a restart, and a damaged file never stops the
// line from starting.
class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void storedConfigurationSurvivesRestart();
    void unstoredChangesAreLostOnRestart();
    void damagedFile_data();
    void damagedFile();
    void entriesOfOtherModulesAreKept();
    void unwritableFileKeepsTheModulesStore();

private:
    QString storePath() const { return m_dir.filePath(u"line.json"_s); }
    // A store holding address 105 and start-up screen "Stored" for the module 101 and the
    // start-up screen "Other" for 102.
    void writeGoodStore();

    QTemporaryDir m_dir;
};

namespace {

QJsonObject readJson(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void writeJson(const QString& path, const QJsonObject& root)
{
    writeBytes(path, QJsonDocument(root).toJson());
}

// Changes the entry of the module with the given serial number.
QJsonObject withEntry(QJsonObject root, qint64 serial,
                      const std::function<void(QJsonObject&)>& change)
{
    QJsonArray modules = root.value(u"modules"_s).toArray();
    for (int i = 0; i < modules.size(); ++i) {
        QJsonObject entry = modules.at(i).toObject();
        if (entry.value(u"serial"_s).toInteger() == serial) {
            change(entry);
            modules[i] = entry;
        }
    }
    root[u"modules"_s] = modules;
    return root;
}

} // namespace

void TestStore::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(storePath());
}

void TestStore::writeGoodStore()
{
    Line line({101, 102}, storePath());
    runScript(line, u"EF 65 FE C8 \"Stored\" 20*26 FE 30 69 FE 1F FE 20 "
                    "EF 66 FE C8 \"Other\" 20*27 FE 20"_s);
    QVERIFY(line.storeProblem().isEmpty());
}

void TestStore::storedConfigurationSurvivesRestart()
{
    QString bitmaps;
    for (int i = 0; i < 64; ++i)
        bitmaps += u" %1"_s.arg((i * 37 + 5) % 256, 2, 16, QChar(u'0'));
    {
        Line line({101, 102}, storePath());
        runScript(line, u"EF 64 FE C8 \"Welcome back!\" 20*3 \"Second row\" 0C 0D EA EF FE 00 "
                        "FE 64"_s +
                            bitmaps +
                            u" FE 6A \"Text six\" FE 34 EA 64 20*4 "
                            "FE 30 70 FE 1F FE 20 EA 64"_s);
    }
    Line restarted({101, 102}, storePath());
    QVERIFY2(restarted.storeProblem().isEmpty(), qPrintable(restarted.storeProblem()));
    for (int i = 0; i < 2; ++i) {
        const Module& module = restarted.module(i);
        QCOMPARE(shownRow(module, 0), u"Welcome back!   "_s);
        QCOMPARE(shownRow(module, 1), u"Second row{0C}{0D}{EA}{EF}{FE}{00}"_s);
        QCOMPARE(module.address(), quint8(0x70));
        QCOMPARE(module.baud(), 4800);
        QCOMPARE(module.working().bitmaps, scriptBytes(bitmaps));
        QCOMPARE(module.working().texts.at(5), QByteArray("Text six\xFE\x34\xEA\x64    "));
        QCOMPARE(module.working().texts.at(4), QByteArray("Predefined 5    "));
    }
}

void TestStore::unstoredChangesAreLostOnRestart()
{
    writeGoodStore();
    {
        Line line({101, 102}, storePath());
        runScript(line, u"EF 69 FE C8 58*32 FE 30 70"_s);
        QCOMPARE(line.module(0).working().address, quint8(0x70));
    }
    Line restarted({101, 102}, storePath());
    QCOMPARE(shownRow(restarted.module(0), 0), u"Stored          "_s);
    QCOMPARE(restarted.module(0).address(), quint8(105));
}

void TestStore::damagedFile_data()
{
    QTest::addColumn<QByteArray>("contents"); // empty: see "change"
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("row0Of101");
    QTest::addColumn<QString>("row0Of102");

    const QString factory = u"  Serial LCD    "_s;
    const QString stored = u"Stored          "_s;
    const QString other = u"Other           "_s;
    QTest::newRow("empty file") << QByteArray("") << QString() << factory << factory;
    QTest::newRow("random bytes") << QByteArray("\x01\xFF{\"kind\":\x00\x7F", 11) << QString()
                                  << factory << factory;
    QTest::newRow("cut short") << QByteArray() << u"truncate"_s << factory << factory;
    QTest::newRow("not an object") << QByteArray("[1, 2, 3]") << QString() << factory << factory;
    QTest::newRow("another program's file") << QByteArray() << u"kind"_s << factory << factory;
    QTest::newRow("newer version") << QByteArray() << u"version"_s << factory << factory;
    QTest::newRow("modules not a list") << QByteArray() << u"modules"_s << factory << factory;
    QTest::newRow("start-up screen too short") << QByteArray() << u"startup"_s << factory << other;
    QTest::newRow("bitmaps not hexadecimal") << QByteArray() << u"bitmaps"_s << factory << other;
    QTest::newRow("nine texts") << QByteArray() << u"texts"_s << factory << other;
    QTest::newRow("address out of range") << QByteArray() << u"address"_s << factory << other;
    QTest::newRow("unknown speed") << QByteArray() << u"baud"_s << factory << other;
    QTest::newRow("serial number missing") << QByteArray() << u"serial"_s << factory << other;
    QTest::newRow("sound file") << QByteArray() << QString() << stored << other;
}

void TestStore::damagedFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, change);
    QFETCH(QString, row0Of101);
    QFETCH(QString, row0Of102);

    writeGoodStore();
    const QJsonObject good = readJson(storePath());
    const qint64 serial101 = Line({101}).module(0).serialNumber();
    const auto damage = [&](const std::function<void(QJsonObject&)>& how) {
        writeJson(storePath(), withEntry(good, serial101, how));
    };
    if (!contents.isNull()) {
        writeBytes(storePath(), contents);
    } else if (change == u"truncate") {
        writeBytes(storePath(), QJsonDocument(good).toJson().left(200));
    } else if (change == u"kind" || change == u"version" || change == u"modules") {
        QJsonObject root = good;
        root[change] = change == u"version" ? QJsonValue(2) : QJsonValue(u"x"_s);
        writeJson(storePath(), root);
    } else if (change == u"startup") {
        damage([](QJsonObject& e) { e[u"startup"_s] = e[u"startup"_s].toString().left(62); });
    } else if (change == u"bitmaps") {
        damage([](QJsonObject& e) {
            e[u"bitmaps"_s] = e[u"bitmaps"_s].toString().replace(0, 2, u"zz"_s);
        });
    } else if (change == u"texts") {
        damage([](QJsonObject& e) {
            QJsonArray texts = e[u"texts"_s].toArray();
            texts.removeLast();
            e[u"texts"_s] = texts;
        });
    } else if (change == u"address") {
        damage([](QJsonObject& e) { e[u"address"_s] = 200; });
    } else if (change == u"baud") {
        damage([](QJsonObject& e) { e[u"baud"_s] = 1200; });
    } else if (change == u"serial") {
        damage([](QJsonObject& e) { e.remove(u"serial"_s); });
    }

    Line line({101, 102}, storePath());
    QCOMPARE(shownRow(line.module(0), 0), row0Of101);
    QCOMPARE(shownRow(line.module(1), 0), row0Of102);
    const bool sound = row0Of101 == u"Stored          "_s;
    QCOMPARE(line.storeProblem().isEmpty(), sound);
    QCOMPARE(line.module(0).address(), quint8(sound ? 105 : 101));
    // A damaged store is replaced by the next store command.
    runScript(line, u"EF 64 FE 20"_s);
    QVERIFY(line.storeProblem().isEmpty());
    QCOMPARE(Line({101, 102}, storePath()).storeProblem(), QString());
}

void TestStore::entriesOfOtherModulesAreKept()
{
    writeGoodStore();
    // A run with only module 102 leaves the entry of 101 alone.
    {
        Line line({102}, storePath());
        runScript(line, u"EF 66 FE C8 \"Changed\" 20*25 FE 20"_s);
    }
    Line both({101, 102}, storePath());
    QCOMPARE(shownRow(both.module(0), 0), u"Stored          "_s);
    QCOMPARE(shownRow(both.module(1), 0), u"Changed         "_s);
}

void TestStore::unwritableFileKeepsTheModulesStore()
{
    writeBytes(m_dir.filePath(u"plain"_s), "not a folder");
    Line line({101}, m_dir.filePath(u"plain/line.json"_s));
    QSignalSpy failed(&line, &Line::storeFailed);
    runScript(line, u"EF 65 FE C8 \"Kept in memory\" 20*18 FE 20"_s);
    QCOMPARE(failed.size(), 1);
    QVERIFY(!line.storeProblem().isEmpty());
    line.powerUp();
    QCOMPARE(shownRow(line.module(0), 0), u"Kept in memory  "_s);
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestStore)
#include "tst_store.moc"
