#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include "Files.h"
#include "Processes.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

using namespace Qt::StringLiterals;
using velnor::test::contents;
using velnor::test::entries;
using velnor::test::put;

// velnor.ini on disk: hostile contents, paths and names, and a write that replaces the file
// whole, one byte per character, at a symlink's target, keeping its mode, even in a read-only
// folder; reads within a small memory limit, failed writes, and what killed writers left.
class TestIniFile final : public QObject
{
    Q_OBJECT

private slots:
    void hostile_data();
    void hostile();
    void write();
    void names_data();
    void names();
    void readWithLittleMemory();
    void failedWrite_data();
    void failedWrite();
    void leftovers();
    void twoWriters();
};

// Runs body in a child process, so that a limit set or a crash there stays there: its exit
// status, or -1 when it died of a signal.
template <typename Body> static int inChild(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The child never returns into the test runner, not even by an exception.
        std::signal(SIGABRT, SIG_DFL);
        bool passed = false;
        try {
            passed = body();
        } catch (...) {
        }
        ::_exit(passed ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void TestIniFile::hostile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // What UID reads as; null: the path cannot be written either.
    QTest::addColumn<QByteArray>("uid");
    QTest::newRow("10 MB") << u"a"_s << "[LCD]\nUID=" + QByteArray(10 << 20, 'y')
                           << QByteArray(254, 'y');
    QTest::newRow("binary, nul")
        << u"a"_s << "\0[\0]\xff=\x80\r[\r\n=\0\n\xEF\xBB\xBF;\n[LCD]\r\nUID=1\0\x01\n"_ba
        << "1\0\x01"_ba;
    // Reading a FIFO would block until a writer came.
    QTest::newRow("fifo") << u"fifo"_s << QByteArray() << QByteArray();
    QTest::newRow("directory") << u"dir"_s << QByteArray() << QByteArray();
    QTest::newRow("over the size limit") << u"huge"_s << QByteArray() << QByteArray();
}

void TestIniFile::hostile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, uid);
    const QTemporaryDir dir;
    const velnor::IniFile ini(dir.filePath(name));
    QVERIFY(bytes.isEmpty() || put(ini.path(), bytes));
    QCOMPARE(::mkdir(QFile::encodeName(dir.filePath(u"dir"_s)).constData(), 0700), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600), 0);
    // Sparse: 64 MiB and one byte, without writing them.
    QFile huge(dir.filePath(u"huge"_s));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize((64 << 20) + 1));

    // A file that is there but cannot be read says why, and starts the panel as none does.
    QCOMPARE(ini.unreadable().isEmpty(), !uid.isNull());
    QCOMPARE(velnor::StartupSettings::read(ini).at9600(), uid.isNull());

    QCOMPARE(ini.read(u"LCD"_s, u"UID"_s), QString::fromLatin1(uid));
    QString error;
    QCOMPARE(ini.write(u"LCD"_s, u"Baud"_s, u"9600"_s, &error), !uid.isNull());
    QCOMPARE(error.isEmpty(), !uid.isNull());
    QCOMPARE(ini.read(u"LCD"_s, u"UID"_s), QString::fromLatin1(uid));
}

// Written through a symlink in a writable folder, the target is replaced whole: a hard link to
// it keeps the old contents. In a read-only folder the file is written in place. Root ignores
// folder permissions, so that write is done as nobody, through the file's mode.
void TestIniFile::write()
{
    const QTemporaryDir dir;
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    const QString real = dir.filePath(u"real.ini"_s);
    const QByteArray folder = QFile::encodeName(dir.path());
    QVERIFY(put(real, "; mine\r\n[LCD]\r\nLine1=1\r\n"));
    QVERIFY(QFile::link(u"real.ini"_s, ini.path()));
    QCOMPARE(::link(QFile::encodeName(real).constData(), (folder + "/old").constData()), 0);
    // rw-rw-rw-: nobody may write it, and a new file would not get that mode by chance.
    QVERIFY(QFile::setPermissions(real, QFile::Permissions(0x6666)));
    const auto restore = qScopeGuard([&] {
        ::setfsuid(::geteuid());
        ::chmod(folder.constData(), 0700);
    });

    QVERIFY(!ini.write(u"LCD"_s, u"Line1"_s, u"x\r\nUID=6"_s));
    QString why;
    QVERIFY(!ini.write(u"LCD"_s, u"Line1"_s, u"\u20ac 5"_s, &why)); // would read back as "? 5"
    QVERIFY(why.contains(u"ISO-8859-1"_s));
    const QString centred = u"  Caf\u00e9 "_s;
    QVERIFY(ini.write(u"LCD"_s, u"Line1"_s, centred));
    QCOMPARE(contents(real), "; mine\r\n[LCD]\r\nLine1=\"  Caf\xE9 \"\r\n"_ba);
    QCOMPARE(ini.read(u"lcd"_s, u"LINE1"_s), centred);
    QCOMPARE(contents(dir.filePath(u"old"_s)), "; mine\r\n[LCD]\r\nLine1=1\r\n"_ba);
    QCOMPARE(QFile::symLinkTarget(ini.path()), real);
    QVERIFY(QFile::permissions(real).testFlag(QFile::WriteOther));

    QCOMPARE(::chmod(folder.constData(), 0555), 0);
    ::setfsuid(65534);
    QVERIFY(ini.write(u"LCD"_s, u"Line1"_s, u"2"_s));
    QCOMPARE(contents(real), "; mine\r\n[LCD]\r\nLine1=2\r\n"_ba);
}

// A name the file cannot hold finds nothing, not the name with '?' in its place.
void TestIniFile::names_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("section") << u"\u20ac"_s << u"K"_s << QString();
    QTest::newRow("key") << u"S"_s << u"\u0141"_s << QString();
    QTest::newRow("as written") << u"?"_s << u"K"_s << u"1"_s;
    QTest::newRow("latin-1") << u"S"_s << u"\u00c9"_s << u"3"_s;
}

void TestIniFile::names()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const QTemporaryDir dir;
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    QVERIFY(put(ini.path(), "[?]\r\nK=1\r\n[S]\r\n?=2\r\n\xC9=3\r\n"));
    QCOMPARE(ini.read(section, key), expected);
}

// A read takes memory for what the file holds, not for the largest file it would read: in a
// process with 32 MiB of address space to spare, a small file reads as it should.
void TestIniFile::readWithLittleMemory()
{
    const QTemporaryDir dir;
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    QVERIFY(
        put(ini.path(), "[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n[LCD]\r\nUID=101\r\n"));
    const int status = inChild([&] {
        const qint64 used = velnor::test::memoryNow().size;
        const rlimit limit{rlim_t(used) + (32 << 20), rlim_t(used) + (32 << 20)};
        return used > 0 && ::setrlimit(RLIMIT_AS, &limit) == 0 &&
               ini.read(u"LCD"_s, u"UID"_s) == u"101"_s;
    });
    QCOMPARE(status, 0);
}

// A write that fails or is refused says why and leaves the file as it was, with nothing beside
// it: one that would outgrow what every reader takes, one whose lock is not a regular file
// (opening a FIFO would block for good), and one that a file size limit of 0 cuts short, as a
// full disk would, whether it replaces the file or writes it in place. Run in a child that an
// alarm ends, so that a write that hangs fails the test instead of stalling it.
void TestIniFile::failedWrite_data()
{
    QTest::addColumn<QString>("lock"); // what velnor.ini.lock is; empty for nothing
    QTest::addColumn<qint64>("size");  // of velnor.ini, all spaces
    QTest::addColumn<QString>("reason");
    QTest::newRow("past the size limit") << QString() << qint64(64 << 20) - 8 << u"64 MiB"_s;
    QTest::newRow("lock is a FIFO") << u"fifo"_s << qint64(16) << u"Is a FIFO"_s;
    QTest::newRow("lock is a folder") << u"folder"_s << qint64(16) << u"Is a folder"_s;
    QTest::newRow("lock is a link") << u"link"_s << qint64(16) << u"a symbolic link"_s;
    QTest::newRow("cut short") << QString() << qint64(16) << u"File too large"_s;
    QTest::newRow("cut short in place")
        << u"read-only folder"_s << qint64(16) << u"File too large"_s;
}

void TestIniFile::failedWrite()
{
    QFETCH(QString, lock);
    QFETCH(qint64, size);
    QFETCH(QString, reason);
    const QTemporaryDir dir;
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    QVERIFY(put(ini.path(), QByteArray(size, ' ')));
    QVERIFY(QFile::setPermissions(ini.path(), QFile::Permissions(0x6666)));
    const QByteArray lockName = QFile::encodeName(ini.path()) + ".lock";
    const QByteArray folder = QFile::encodeName(dir.path());
    const auto restore = qScopeGuard([&] { ::chmod(folder.constData(), 0700); });
    if (lock == u"fifo")
        QCOMPARE(::mkfifo(lockName.constData(), 0600), 0);
    else if (lock == u"folder")
        QCOMPARE(::mkdir(lockName.constData(), 0700), 0);
    else if (lock == u"link")
        QCOMPARE(::symlink("/dev/null", lockName.constData()), 0);
    else if (lock == u"read-only folder")
        QCOMPARE(::chmod(folder.constData(), 0555), 0);

    const int status = inChild([&] {
        ::alarm(30);
        // Root ignores the folder's mode; nobody does not.
        if (lock == u"read-only folder" && ::geteuid() == 0)
            ::setfsuid(65534);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{0, 0};
        QString error;
        return (!reason.contains(u"File too large"_s) || ::setrlimit(RLIMIT_FSIZE, &limit) == 0) &&
               !ini.write(u"LCD"_s, u"Baud"_s, u"9600"_s, &error) && error.contains(reason);
    });
    QCOMPARE(status, 0);
    QCOMPARE(contents(ini.path()), QByteArray(size, ' '));
    QStringList expected{u"velnor.ini"_s};
    if (lock == u"fifo" || lock == u"folder" || lock == u"link")
        expected.append(u"velnor.ini.lock"_s);
    QCOMPARE(entries(dir.path()), expected);
}

// The new file of a writer killed between naming it and renaming it is removed by the next
// write; a live writer's, and anything else, stays.
void TestIniFile::leftovers()
{
    const QTemporaryDir dir;
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    const pid_t gone = velnor::test::endedProcessId();
    QVERIFY(gone > 0);
    const QString dead = u"velnor.ini.new"_s + QString::number(gone);
    const QString live = u"velnor.ini.new"_s + QString::number(::getppid());
    const QStringList kept{u"other.ini.new"_s + QString::number(gone), u"velnor.ini.new1x"_s};
    for (const QString& name : kept + QStringList{dead, live})
        QVERIFY(put(dir.filePath(name), "[LCD]\r\n"));

    QVERIFY(ini.write(u"LCD"_s, u"UID"_s, u"101"_s));
    QStringList expected = kept + QStringList{live, u"velnor.ini"_s};
    expected.sort();
    QCOMPARE(entries(dir.path()), expected);
}

// Two programs writing keys of their own at the same moment: every key of both is kept, and
// the lock that kept them apart is gone.
void TestIniFile::twoWriters()
{
    const QTemporaryDir dir;
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    const auto key = [](int writer, int i) { return u"%1.%2"_s.arg(writer).arg(i); };
    constexpr int kWrites = 40;
    int start[2];
    QCOMPARE(::pipe(start), 0);
    pid_t writers[2];
    for (int writer = 0; writer < 2; ++writer) {
        if ((writers[writer] = ::fork()) == 0) {
            ::close(start[1]);
            ::read(start[0], start, 1); // both begin when the test closes its end
            bool written = true;
            for (int i = 0; i < kWrites; ++i)
                written = ini.write(u"Ports"_s, key(writer, i), key(writer, i)) && written;
            ::_exit(written ? 0 : 1);
        }
    }
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t pid : writers) {
        int status = -1;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QCOMPARE(status, 0);
    }
    QStringList lost;
    for (int i = 0; i < 2 * kWrites; ++i) {
        if (ini.read(u"Ports"_s, key(i % 2, i / 2)) != key(i % 2, i / 2))
            lost << key(i % 2, i / 2);
    }
    QVERIFY2(lost.isEmpty(), qPrintable(u"lost: "_s + lost.join(u' ')));
    QCOMPARE(entries(dir.path()), QStringList{u"velnor.ini"_s});
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
