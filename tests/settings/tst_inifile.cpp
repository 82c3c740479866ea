#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velnor;
using namespace Qt::StringLiterals;

// velnor.ini on disk: encoding, hostile contents, unwritable paths, links, ownership and
// read-only folders.
class TestIniFile final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writeAndRead();
    void hostileFiles_data();
    void hostileFiles();
    void unwritablePaths_data();
    void unwritablePaths();
    void symlinks_data();
    void symlinks();
    void ownerAndMode_data();
    void ownerAndMode();
    void appDir();

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_ini;
};

namespace {
constexpr uid_t kNobody = 65534;

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>"_ba;
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

mode_t modeOf(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}
} // namespace

void TestIniFile::init()
{
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
    m_ini = m_dir->filePath(u"velnor.ini"_s);
}

void TestIniFile::writeAndRead()
{
    const IniFile ini(m_ini);
    QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), QString());
    QVERIFY(ini.WriteIni(u"LCD"_s, u"UID"_s, u"101"_s));
    const QString centred = u"  Caf\u00e9 \u00b0C "_s;
    QVERIFY(ini.WriteIni(u"LCD"_s, u"Line1"_s, centred));
    // One byte per character, not UTF-8; the blanks survive the trip.
    QCOMPARE(contents(m_ini), "[LCD]\r\nUID=101\r\nLine1=\"  Caf\xE9 \xB0"
                              "C \"\r\n"_ba);
    QCOMPARE(ini.ReadIni(u"lcd"_s, u"LINE1"_s), centred);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"velnor.ini"_s});

    // Nothing is cached: a hand edit is seen by the next read.
    QVERIFY(put(m_ini, "[LCD]\nUID=1\xE9\n"));
    QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), u"1\u00e9"_s);

    QString error;
    QVERIFY(!ini.WriteIni(u"LCD"_s, u"Line1"_s, u"x\r\nUID=666"_s, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(contents(m_ini), "[LCD]\nUID=1\xE9\n"_ba);
}

void TestIniFile::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("padTo");
    QTest::addColumn<QByteArray>("uid");

    const QByteArray lcd = "\n[LCD]\r\nUID=101\r\n";
    const qsizetype tenMb = 10 * 1024 * 1024;
    QRandomGenerator random(42);
    QByteArray junk(1024 * 1024, Qt::Uninitialized);
    for (char& c : junk)
        c = char(random.bounded(256));
    QTest::newRow("300 chars") << "[LCD]\nUID=" + QByteArray(300, 'x') << 0LL
                               << QByteArray(254, 'x');
    QTest::newRow("10 MB value") << "[LCD]\nUID=" + QByteArray(tenMb, 'y') << 0LL
                                 << QByteArray(254, 'y');
    QTest::newRow("10 MB junk line") << QByteArray(tenMb, '[') + lcd << 0LL << "101"_ba;
    QTest::newRow("1 M line breaks") << QByteArray(1'000'000, '\r') + lcd << 0LL << "101"_ba;
    QTest::newRow("binary junk") << junk + lcd << 0LL << "101"_ba;
    QTest::newRow("nul bytes") << "\0\0[x]\0\n[LCD]\r\nUID=1\0\x01\n"_ba << 0LL << "1\0\x01"_ba;
    // Too big to be a settings file: read as empty, and never rewritten from a part of it.
    QTest::newRow("100 MB") << lcd << 100LL * 1024 * 1024 << QByteArray();
}

void TestIniFile::hostileFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, padTo);
    QFETCH(QByteArray, uid);

    QVERIFY(put(m_ini, bytes));
    QVERIFY(padTo == 0 || QFile::resize(m_ini, padTo));
    const IniFile ini(m_ini);
    QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), QString::fromLatin1(uid));
    QString error;
    QCOMPARE(ini.WriteIni(u"LCD"_s, u"Baud"_s, u"9600"_s, &error), padTo == 0);
    if (padTo == 0) {
        QCOMPARE(ini.ReadIni(u"LCD"_s, u"Baud"_s), u"9600"_s);
        QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), QString::fromLatin1(uid));
    } else {
        QVERIFY(!error.isEmpty());
        QCOMPARE(QFileInfo(m_ini).size(), padTo);
    }
}

void TestIniFile::unwritablePaths_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"dir.ini", "none/velnor.ini", "file/velnor.ini", "fifo", "loop"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Conditions that stop root as well, since the tests run as root in CI. Opening the FIFO for
// reading would block until a writer came.
void TestIniFile::unwritablePaths()
{
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir->path()).mkdir(u"dir.ini"_s));
    QVERIFY(put(m_dir->filePath(u"file"_s), "[LCD]\r\nUID=1\r\n"));
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir->filePath(u"fifo"_s)).constData(), 0600), 0);
    QVERIFY(QFile::link(u"loop2"_s, m_dir->filePath(u"loop"_s)));
    QVERIFY(QFile::link(u"loop"_s, m_dir->filePath(u"loop2"_s)));

    const IniFile ini(m_dir->filePath(name));
    QString error;
    QVERIFY(!ini.WriteIni(u"LCD"_s, u"UID"_s, u"7"_s, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), QString());
}

void TestIniFile::symlinks_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("via");
    QTest::addColumn<bool>("exists");
    QTest::newRow("absolute") << u"<dir>/real/a.ini"_s << QString() << true;
    QTest::newRow("relative") << u"real/a.ini"_s << QString() << true;
    QTest::newRow("chain") << u"real/a.ini"_s << u"hop"_s << true;
    QTest::newRow("dangling") << u"real/a.ini"_s << QString() << false;
}

void TestIniFile::symlinks()
{
    QFETCH(QString, target);
    target.replace(u"<dir>"_s, m_dir->path());
    QFETCH(QString, via);
    QFETCH(bool, exists);

    const QString real = m_dir->filePath(u"real/a.ini"_s);
    QVERIFY(QDir(m_dir->path()).mkdir(u"real"_s));
    QVERIFY(!exists || put(real, "; mine\r\n[LCD]\r\nUID=1\r\n"));
    QVERIFY(QFile::link(target, via.isEmpty() ? m_ini : m_dir->filePath(via)));
    QVERIFY(via.isEmpty() || QFile::link(via, m_ini));

    const IniFile ini(m_ini);
    QString error;
    QVERIFY2(ini.WriteIni(u"LCD"_s, u"UID"_s, u"7"_s, &error), qPrintable(error));
    QVERIFY(QFileInfo(m_ini).isSymLink());
    QCOMPARE(contents(real), exists ? "; mine\r\n[LCD]\r\nUID=7\r\n"_ba : "[LCD]\r\nUID=7\r\n"_ba);
    QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), u"7"_s);
}

void TestIniFile::ownerAndMode_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("writable folder") << false;
    QTest::newRow("read-only folder") << true;
}

// The file keeps its owner and mode, and a read-only folder does not stop the write. Root
// ignores folder permissions, so there the write is done as the file's owner.
void TestIniFile::ownerAndMode()
{
    QFETCH(bool, readOnlyFolder);
    const QByteArray dir = QFile::encodeName(m_dir->path());
    const QByteArray file = QFile::encodeName(m_ini);
    const bool root = ::geteuid() == 0;
    QVERIFY(put(m_ini, "[LCD]\r\nUID=1\r\n"));
    QCOMPARE(::chmod(file.constData(), 0640), 0);
    QVERIFY(!root || ::chown(file.constData(), kNobody, kNobody) == 0);
    const auto restore = qScopeGuard([&] {
        if (root)
            ::setfsuid(0);
        ::chmod(dir.constData(), 0700);
    });
    if (readOnlyFolder) {
        QCOMPARE(::chmod(dir.constData(), 0555), 0);
        if (root)
            ::setfsuid(kNobody);
        QVERIFY(!QFile(m_dir->filePath(u"probe"_s)).open(QIODevice::WriteOnly));
    }

    QString error;
    QVERIFY2(IniFile(m_ini).WriteIni(u"LCD"_s, u"UID"_s, u"7"_s, &error), qPrintable(error));
    QCOMPARE(contents(m_ini), "[LCD]\r\nUID=7\r\n"_ba);
    QCOMPARE(modeOf(m_ini), mode_t(0640));
    QCOMPARE(QFileInfo(m_ini).ownerId(), root ? kNobody : ::geteuid());
}

void TestIniFile::appDir()
{
    const QString dir = IniFile::AppDir();
    QVERIFY(dir.endsWith(u'/') && !dir.endsWith(u"//"));
    QCOMPARE(QFileInfo(dir).canonicalFilePath(),
             QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath());
    QCOMPARE(IniFile::beside().path(), dir + u"velnor.ini"_s);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
