#include "settings/IniFile.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// velnor.ini on disk: hostile contents and paths, and a write that replaces the file whole,
// one byte per character, at a symlink's target, keeping its mode, even in a read-only folder.
class TestIniFile final : public QObject
{
    Q_OBJECT

private slots:
    void hostile_data();
    void hostile();
    void write();
};

static QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>"_ba;
}

static bool put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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

    QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), QString::fromLatin1(uid));
    QString error;
    QCOMPARE(ini.WriteIni(u"LCD"_s, u"Baud"_s, u"9600"_s, &error), !uid.isNull());
    QCOMPARE(error.isEmpty(), !uid.isNull());
    QCOMPARE(ini.ReadIni(u"LCD"_s, u"UID"_s), QString::fromLatin1(uid));
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

    QVERIFY(!ini.WriteIni(u"LCD"_s, u"Line1"_s, u"x\r\nUID=6"_s));
    QString why;
    QVERIFY(!ini.WriteIni(u"LCD"_s, u"Line1"_s, u"\u20ac 5"_s, &why)); // would read back as "? 5"
    QVERIFY(why.contains(u"ISO-8859-1"_s));
    const QString centred = u"  Caf\u00e9 "_s;
    QVERIFY(ini.WriteIni(u"LCD"_s, u"Line1"_s, centred));
    QCOMPARE(contents(real), "; mine\r\n[LCD]\r\nLine1=\"  Caf\xE9 \"\r\n"_ba);
    QCOMPARE(ini.ReadIni(u"lcd"_s, u"LINE1"_s), centred);
    QCOMPARE(contents(dir.filePath(u"old"_s)), "; mine\r\n[LCD]\r\nLine1=1\r\n"_ba);
    QCOMPARE(QFile::symLinkTarget(ini.path()), real);
    QVERIFY(QFile::permissions(real).testFlag(QFile::WriteOther));

    QCOMPARE(::chmod(folder.constData(), 0555), 0);
    ::setfsuid(65534);
    QVERIFY(ini.WriteIni(u"LCD"_s, u"Line1"_s, u"2"_s));
    QCOMPARE(contents(real), "; mine\r\n[LCD]\r\nLine1=2\r\n"_ba);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
