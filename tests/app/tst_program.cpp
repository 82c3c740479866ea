// The panel program itself: a kill, a logout or Ctrl+C is taken over by the program, which
// then quits its event loop and ends with status 0 instead of being killed.
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

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
        QProcess panel;
        QSignalSpy finished(&panel, &QProcess::finished);
        panel.start(QStringLiteral(VELNOR_PROGRAM), {});
        QVERIFY(panel.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return catches(panel.processId(), signal); }, 10000),
                 "the program never took the signal over");
        ::kill(pid_t(panel.processId()), signal);
        QVERIFY(finished.wait(10000));
        QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(panel.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
