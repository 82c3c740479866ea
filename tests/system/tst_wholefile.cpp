#include "system/WholeFile.h"

#include "Files.h"
#include "Pty.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>

using namespace Qt::StringLiterals;
using velnor::WholeWrite;
using velnor::writeWholeFile;

namespace {

enum class Place {
    RegularFile,
    MissingFolder,
    ReadFifo,
    UnreadFifo,
    FullDevice,
    Folder,
    Terminal
};

mode_t typeOf(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

} // namespace

Q_DECLARE_METATYPE(Place)
Q_DECLARE_METATYPE(WholeWrite::Outcome)

class tst_WholeFile final : public QObject
{
    Q_OBJECT
private slots:
    // A write the system cuts short must not replace a file with the first part of its new
    // text. A file size limit cuts it short for root too, where a full disk would need a mount.
    void aWriteCutShortKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        QVERIFY(velnor::test::put(path, "old text\n"));

        rlimit was{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &was), 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = was;
        small.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const WholeWrite written = writeWholeFile(path, QByteArray(100000, 'x'));
        ::setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!written);
        QVERIFY(!written.detail.isEmpty());
        QCOMPARE(velnor::test::contents(path), QByteArray("old text\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.txt")});
    }

    // Only a regular file, or a free name, is replaced. A FIFO or a terminal takes the bytes
    // and stays what it was; anything else is left as it was. Each is reached through a
    // symbolic link, which must not fool the check.
    void whatIsThereDecidesHowItIsWritten_data()
    {
        QTest::addColumn<Place>("place");
        QTest::addColumn<WholeWrite::Outcome>("outcome");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<int>("type"); // what the path names afterwards
        using O = WholeWrite::Outcome;
        QTest::newRow("regular file")
            << Place::RegularFile << O::Replaced << QString() << int(S_IFREG);
        QTest::newRow("missing folder") << Place::MissingFolder << O::Failed << QString() << 0;
        QTest::newRow("FIFO being read")
            << Place::ReadFifo << O::WrittenInto << u"a FIFO"_s << int(S_IFIFO);
        QTest::newRow("FIFO nobody reads")
            << Place::UnreadFifo << O::Failed << u"No program is reading"_s << int(S_IFIFO);
        QTest::newRow("full device")
            << Place::FullDevice << O::Failed << u"Is a character device, not a regular file"_s
            << int(S_IFCHR);
        QTest::newRow("folder") << Place::Folder << O::Failed << u"Is a folder"_s << int(S_IFDIR);
        QTest::newRow("terminal") << Place::Terminal << O::WrittenInto << u"a terminal"_s
                                  << int(S_IFCHR);
    }

    void whatIsThereDecidesHowItIsWritten()
    {
        QFETCH(Place, place);
        QFETCH(WholeWrite::Outcome, outcome);
        QFETCH(QString, detail);
        QFETCH(int, type);
        const QTemporaryDir dir;
        QString target = dir.filePath(u"target"_s);
        const QByteArray name = QFile::encodeName(target);
        const QByteArray bytes = "12:00:00.000\tTX\tEF 65\n";
        int reader = -1;
        velnor::test::Pty pty;
        switch (place) {
        case Place::RegularFile:
            QVERIFY(velnor::test::put(target, "old"));
            break;
        case Place::MissingFolder:
            target = dir.filePath(u"missing/target"_s);
            break;
        case Place::ReadFifo:
        case Place::UnreadFifo:
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
            if (place == Place::ReadFifo)
                QVERIFY((reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK)) >= 0);
            break;
        case Place::FullDevice:
            // Root gets a node of its own, so that a fault replaces that and not the
            // system's; anyone else cannot replace /dev/full anyway.
            if (::geteuid() != 0 || ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
                target = u"/dev/full"_s;
            break;
        case Place::Folder:
            QVERIFY(QDir().mkdir(target));
            break;
        case Place::Terminal:
            QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
            target = pty.slavePath();
            break;
        }
        const QString link = dir.filePath(u"link"_s);
        QVERIFY(QFile::link(target, link));

        const WholeWrite written = writeWholeFile(link, bytes);
        QCOMPARE(written.outcome, outcome);
        QVERIFY2(written.detail.contains(detail), qPrintable(written.detail));
        QVERIFY(!written.detail.isEmpty() || outcome == WholeWrite::Outcome::Replaced);
        QCOMPARE(int(typeOf(target)), type);
        QVERIFY(QFileInfo(link).isSymLink());
        if (place == Place::RegularFile)
            QCOMPARE(velnor::test::contents(target), bytes);
        if (place == Place::ReadFifo) {
            char got[64] = {};
            QCOMPARE(::read(reader, got, sizeof got), bytes.size());
            QCOMPARE(QByteArray(got, bytes.size()), bytes);
            ::close(reader);
        }
        if (place == Place::Terminal)
            QCOMPARE(pty.read(bytes.size()), bytes);
    }
};

QTEST_GUILESS_MAIN(tst_WholeFile)
#include "tst_wholefile.moc"
