#include "system/WholeFile.h"

#include "Files.h"
#include "Pty.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>

using namespace Qt::StringLiterals;
using velnor::WholeWrite;

// Only a regular file, or a free name, is replaced, and then whole or not at all. A FIFO or a
// terminal takes the bytes and stays what it was; anything else is left as it was. Each is
// reached through a symbolic link, which must not fool the check.
class tst_WholeFile final : public QObject
{
    Q_OBJECT
private slots:
    void whatIsThereDecidesHowItIsWritten_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<int>("type"); // what the path names afterwards
        const auto row = [](const char* place, WholeWrite::Outcome outcome, const QString& detail,
                            mode_t type) {
            QTest::newRow(place) << QString::fromLatin1(place) << int(outcome) << detail
                                 << int(type);
        };
        using O = WholeWrite::Outcome;
        row("regular file", O::Replaced, {}, S_IFREG);
        // A file size limit cuts the write short for root too, where a full disk would need a
        // mount: the old file must stay, not the first part of the new one.
        row("cut short", O::Failed, {}, S_IFREG);
        row("missing folder", O::Failed, u"No such file"_s, 0);
        row("FIFO being read", O::WrittenInto, u"a FIFO"_s, S_IFIFO);
        row("FIFO nobody reads", O::Failed, u"No program is reading"_s, S_IFIFO);
        row("full device", O::Failed, u"Is a character device, not a regular file"_s, S_IFCHR);
        row("folder", O::Failed, u"Is a folder"_s, S_IFDIR);
        row("terminal", O::WrittenInto, u"a terminal"_s, S_IFCHR);
    }

    void whatIsThereDecidesHowItIsWritten()
    {
        QFETCH(QString, place);
        QFETCH(int, outcome);
        QFETCH(QString, detail);
        QFETCH(int, type);
        using O = WholeWrite::Outcome;
        const QTemporaryDir dir;
        QString target = dir.filePath(place == u"missing folder" ? u"missing/t"_s : u"t"_s);
        const QByteArray name = QFile::encodeName(target);
        const QByteArray old = "old text\n";
        const QByteArray bytes = place == u"cut short" ? QByteArray(100000, 'x') : "EF 65\n"_ba;
        int reader = -1;
        velnor::test::Pty pty;
        if (place.startsWith(u"regular") || place == u"cut short")
            QVERIFY(velnor::test::put(target, old));
        if (place.startsWith(u"FIFO"))
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        if (place == u"FIFO being read")
            QVERIFY((reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK)) >= 0);
        // Root gets a node of its own, so that a fault replaces that and not the system's;
        // anyone else cannot replace /dev/full anyway.
        if (place == u"full device" &&
            (::geteuid() != 0 || ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0))
            target = u"/dev/full"_s;
        if (place == u"folder")
            QVERIFY(QDir().mkdir(target));
        if (place == u"terminal")
            target = pty.slavePath();
        const QString link = dir.filePath(u"link"_s);
        QVERIFY(QFile::link(target, link));

        rlimit was{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &was), 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = was;
        small.rlim_cur = place == u"cut short" ? 4096 : was.rlim_cur;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        // Asked what it is, a device is never opened: opening some acts on its own.
        const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ::inotify_add_watch(opens, QFile::encodeName(dir.path()).constData(), IN_OPEN);
        const WholeWrite written = velnor::writeWholeFile(link, bytes);
        char event[4096];
        const bool opened = ::read(opens, event, sizeof event) > 0;
        ::close(opens);
        ::setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, previous);

        QCOMPARE(int(written.outcome), outcome);
        QVERIFY2(!opened || type == S_IFREG || type == S_IFIFO, "opened to see what it is");
        QVERIFY2(written.detail.contains(detail), qPrintable(written.detail));
        QCOMPARE(written.detail.isEmpty(), outcome == int(O::Replaced));
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st) == 0 ? int(st.st_mode & S_IFMT)
                                                                         : 0,
                 type);
        if (type == S_IFREG)
            QCOMPARE(velnor::test::contents(target), place == u"cut short" ? old : bytes);
        // Nothing left beside it.
        for (const QString& entry : velnor::test::entries(dir.path()))
            QVERIFY2(QStringList({u"link"_s, u"t"_s}).contains(entry), qPrintable(entry));
        char got[16] = {};
        if (reader >= 0)
            QCOMPARE(QByteArray(got, ::read(reader, got, sizeof got)), bytes);
        if (reader >= 0)
            ::close(reader);
        if (place == u"terminal")
            QCOMPARE(pty.read(bytes.size()), bytes);
    }
};

QTEST_GUILESS_MAIN(tst_WholeFile)
#include "tst_wholefile.moc"
