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
    QTest::addColumn<QByteArray>("contents"); // the whole file; null: one field of a good one
    QTest::addColumn<QString>("field");       // at the top, or "entry." and one of 101's entry
    QTest::addColumn<QJsonValue>("value");    // undefined: the field is removed
    const auto file = [](const char* name, const QByteArray& contents) {
        QTest::newRow(name) << contents << QString() << QJsonValue();
    };
    const auto field = [](const char* name, const char* path, const QJsonValue& value) {
        QTest::newRow(name) << QByteArray() << QString::fromLatin1(path) << value;
    };

    file("empty file", "");
    file("random bytes", QByteArray("\x01\xFF{\"kind\":\x00\x7F", 11));
    file("cut short", "{\"kind\": \"velnor-emulator-store\", \"version\": 1, \"modules\": [{");
    file("not an object", "[1, 2, 3]");
    field("another program's file", "kind", u"other"_s);
    field("newer version", "version", 2);
    field("modules not a list", "modules", u"x"_s);
    field("start-up screen too short", "entry.startup", u"4142"_s);
    field("bitmaps not hexadecimal", "entry.bitmaps", QString(128, u'z'));
    field("no texts", "entry.texts", QJsonArray());
    field("address out of range", "entry.address", 200);
    field("unknown speed", "entry.baud", 1200);
    field("serial number missing", "entry.serial", QJsonValue(QJsonValue::Undefined));
    field("sound file", "", QJsonValue());
}

void TestStore::damagedFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, field);
    QFETCH(QJsonValue, value);

    writeGoodStore();
    const qint64 serial101 = Line({101}).module(0).serialNumber();
    QJsonObject root = readJson(storePath());
    if (!contents.isNull()) {
        writeBytes(storePath(), contents);
    } else if (field.startsWith(u"entry.")) {
        root = withEntry(root, serial101, [&](QJsonObject& entry) {
            if (value.isUndefined())
                entry.remove(field.mid(6));
            else
                entry[field.mid(6)] = value;
        });
        writeJson(storePath(), root);
    } else if (!field.isEmpty()) {
        root[field] = value;
        writeJson(storePath(), root);
    }

    Line line({101, 102}, storePath());
    const bool sound = contents.isNull() && field.isEmpty();
    const bool entryOnly = field.startsWith(u"entry.");
    QCOMPARE(shownRow(line.module(0), 0), sound ? u"Stored          "_s : u"  Serial LCD    "_s);
    QCOMPARE(shownRow(line.module(1), 0),
             sound || entryOnly ? u"Other           "_s : u"  Serial LCD    "_s);
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
