// The panel program itself: a kill, a logout or Ctrl+C is taken over by the program, which then
// quits its event loop and ends with status 0; its command line is answered where there is no
// display.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// Whether the process has a handler of its own for the signal, read from the kernel's mask.
bool catches(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

} // namespace

class tst_Program final : public QObject
{
    Q_OBJECT

private slots:
    void endsCleanlyOnASignal_data()
    {
        QTest::addColumn<int>("signal");
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            QTest::addRow("%s", sigabbrev_np(signal)) << signal;
    }

    void endsCleanlyOnASignal()
    {
        QFETCH(int, signal);
        const QTemporaryDir dir; // settings of its own: those beside the program are the user's
        QProcess panel;
        QSignalSpy finished(&panel, &QProcess::finished);
        panel.start(QStringLiteral(VELNOR_PROGRAM),
                    {u"--settings"_s, dir.filePath(u"velnor.ini"_s)});
        QVERIFY(panel.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return catches(panel.processId(), signal); }, 10000),
                 "the program never took the signal over");
        ::kill(pid_t(panel.processId()), signal);
        QVERIFY(finished.wait(10000));
        QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(panel.exitCode(), 0);
    }

    void answersWithoutADisplay_data()
    {
        QTest::addColumn<QString>("arguments"); // split at blanks
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // on standard output for 0, else on standard error
        QTest::newRow("wrong option") << u"--bogus"_s << 2 << u"velnor: Unknown option 'bogus'."_s;
        QTest::newRow("stray argument") << u"extra"_s << 2 << u"Unexpected argument 'extra'."_s;
        QTest::newRow("check") << u"--check --settings $FILE"_s << 0
                               << u"speed: 9600,n,8,1\naddress: 105\n"_s;
        QTest::newRow("check after Qt's own options")
            << u"-style fusion -reverse --check --settings $FILE"_s << 0 << u"address: 105\n"_s;
        QTest::newRow("check of a folder")
            << u"--check --settings $DIR"_s << 1 << u": Is a directory\n"_s;
    }

    // A platform that needs a display, and none: nothing may need one before the command line
    // is answered, and a check runs off screen.
    void answersWithoutADisplay()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        const QTemporaryDir dir;
        QFile file(dir.filePath(u"velnor.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\nCommPort=2\nSetting=9600,n,8,1\n[LCD]\nUID=105\n");
        file.close();
        arguments.replace(u"$FILE"_s, file.fileName()).replace(u"$DIR"_s, dir.path());

        QProcess panel;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        panel.setProcessEnvironment(environment);
        panel.start(QStringLiteral(VELNOR_PROGRAM), arguments.split(u' '));
        QVERIFY(panel.waitForFinished(20000));
        QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
        const QString out = QString::fromLocal8Bit(panel.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(panel.readAllStandardError());
        QVERIFY2((status == 0 ? out : err).contains(said), qPrintable(out + err));
        QCOMPARE(panel.exitCode(), status);
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
