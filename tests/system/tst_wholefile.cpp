#include "system/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <csignal>

// A write the system cuts short must not replace a file with the first part of its new text.
// A file size limit cuts it short for root too, where a full disk would need a mount.
using velnor::writeWholeFile;

class tst_WholeFile final : public QObject
{
    Q_OBJECT
private slots:
    void aWriteCutShortKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old text\n") == 9);
        old.close();

        rlimit was{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &was), 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = was;
        small.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = writeWholeFile(path, QByteArray(100000, 'x'), &error);
        ::setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old text\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.txt")});
    }

    void aWholeWriteReplacesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        QString error;
        QVERIFY(writeWholeFile(path, "first", &error));
        QVERIFY2(writeWholeFile(path, QByteArray(100000, 'y'), &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray(100000, 'y'));
        QVERIFY(!writeWholeFile(dir.filePath(QStringLiteral("missing/log.txt")), "x", &error));
    }
};

QTEST_GUILESS_MAIN(tst_WholeFile)
#include "tst_wholefile.moc"
