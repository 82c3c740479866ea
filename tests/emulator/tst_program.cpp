#include "ExclusiveHolder.h"
#include "Files.h"
#include "Processes.h"
#include "settings/IniFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using velnor::test::nextLine;
using velnor::test::openDevice;
using velnor::test::readFor;

namespace velnor {

// The velnor-emulator program run headless, as scripts and CI run it.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void headlessLogsFramesAndAnswers();
    void signalWhileStartingLeavesNothing_data();
    void signalWhileStartingLeavesNothing();
    void servesAPanelOfAnotherUser();
    void unreadLogHoldsNoAnswerBack();
    void refusesAStoreThatIsNoFile_data();
    void refusesAStoreThatIsNoFile();
    void signalEndsTheWaitForTheSettingsLock();
    void benchCommandsAndPowerSignal();
};

namespace {

const QString Program = QStringLiteral(VELNOR_EMULATOR_PROGRAM);

} // namespace

void TestProgram::headlessLogsFramesAndAnswers()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(u"velnor.ini"_s);
    const QString link = dir.filePath(u"device"_s);
    QProcess process;
    process.start(Program,
                  {u"--headless"_s, u"--inputs"_s, u"102=0x5A"_s, u"--ini"_s, ini, u"--port"_s,
                   u"3"_s, u"--link"_s, link, u"--store"_s, dir.filePath(u"store.json"_s)});
    QVERIFY(process.waitForStarted());

    const QByteArray device = nextLine(process);
    QVERIFY2(device.startsWith("device /dev/"), device.constData());
    QCOMPARE(nextLine(process), "link " + QFile::encodeName(link));
    QCOMPARE(IniFile(ini).read(u"Ports"_s, u"3"_s), link);
    const int fd = openDevice(link);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    QCOMPARE(nextLine(process), "# opened");
    QCOMPARE(::write(fd, "\xEF\x66\xFE\x0E", 4), ssize_t(4));
    QCOMPARE(nextLine(process), "> EF 66 FE 0E");
    QCOMPARE(nextLine(process), "< EE 66 EE 66 0A 05");

    // Ctrl+C in its terminal ends it as a normal exit: the link goes, the terminal hangs up.
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    pollfd hangUp{fd, POLLIN, 0};
    QCOMPARE(::poll(&hangUp, 1, 5000), 1);
    QVERIFY(hangUp.revents & POLLHUP);
}

void TestProgram::signalWhileStartingLeavesNothing_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestProgram::signalWhileStartingLeavesNothing()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(u"velnor.ini"_s);
    const QString link = dir.filePath(u"device"_s);
    QProcess process;
    // Held back until the program lets it through, so it comes at that moment, however fast
    // or slow the program starts: before the program writes anything, it must end it cleanly.
    process.setChildProcessModifier([signal] {
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, signal);
        ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
    });
    process.start(Program, {u"--headless"_s, u"--ini"_s, ini, u"--port"_s, u"3"_s, u"--link"_s,
                            link, u"--store"_s, dir.filePath(u"store.json"_s)});
    QVERIFY(process.waitForStarted());
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QCOMPARE(test::entries(dir.path()), QStringList());
}

void TestProgram::servesAPanelOfAnotherUser()
{
    if (::geteuid() != 0)
        QSKIP("needs root, to run the emulator as another user than the panel");
    // The emulator runs as an ordinary user and the panel as root, as when the panel is started
    // with sudo: the emulator cannot see who holds its device. It runs from a copy that user
    // can reach, wherever the build is (a build under /root is out of its reach).
    QTemporaryDir bin;
    const QString program = bin.filePath(u"velnor-emulator"_s);
    QVERIFY(QFile::copy(Program, program));
    QCOMPARE(::chmod(QFile::encodeName(bin.path()).constData(), 0755), 0);
    QProcess process;
    process.setWorkingDirectory(bin.path());
    process.setChildProcessModifier([] {
        const gid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(99);
    });
    process.start(program, {u"--headless"_s, u"--link"_s, QString(), u"--store"_s, QString()});
    QVERIFY(process.waitForStarted());
    const auto stop = qScopeGuard([&process] {
        process.terminate();
        process.waitForFinished(5000);
    });
    const QByteArray line = nextLine(process);
    QVERIFY2(line.startsWith("device /dev/"), line.constData());
    const QByteArray device = line.mid(7);
    int fd = openDevice(QString::fromLocal8Bit(device));
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([&fd] { ::close(fd); });

    // It answers all the same.
    QCOMPARE(::write(fd, "\xEF\x65\xFE\x0E", 4), ssize_t(4));
    QCOMPARE(readFor(fd, 6).toHex(' '), "ee 65 ee 65 0f 0f");

    // A panel holding the line in exclusive mode keeps it while others come and go; an
    // answer is a sign that the emulator has looked at the coming and going before it.
    test::ExclusiveHolder holder(device);
    QVERIFY(holder.holding());
    QVERIFY(test::ExclusiveHolder::exclusive(device));
    QCOMPARE(::write(fd, "\xEF\x65", 2), ssize_t(2));
    QCOMPARE(readFor(fd, 2).toHex(' '), "ee 65");
    QVERIFY(test::ExclusiveHolder::exclusive(device));

    // Killed, it leaves the mode behind, and the emulator must take it away.
    ::close(std::exchange(fd, -1));
    holder.kill();
    QTRY_VERIFY(!test::ExclusiveHolder::exclusive(device));
}

void TestProgram::unreadLogHoldsNoAnswerBack()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray log = QFile::encodeName(dir.filePath(u"log"_s));
    QCOMPARE(::mkfifo(log.constData(), 0600), 0);
    // Its reader is there but reads nothing until the end.
    const int reader = ::open(log.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    const auto closeReader = qScopeGuard([reader] { ::close(reader); });
    const QString link = dir.filePath(u"device"_s);
    QProcess process;
    process.setStandardOutputFile(QFile::decodeName(log));
    process.start(Program, {u"--headless"_s, u"--link"_s, link, u"--store"_s, QString()});
    QVERIFY(process.waitForStarted());
    const auto stop = qScopeGuard([&process] {
        process.terminate();
        process.waitForFinished(5000);
    });
    QTRY_VERIFY(QFileInfo(link).isSymLink());
    const int fd = openDevice(link);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });

    // Text for no module, logged at three characters a byte: far more than a pipe holds.
    const QByteArray text(4096, ' ');
    constexpr qint64 Total = 1024 * 1024;
    qint64 sent = 0;
    const QDeadlineTimer deadline(20000);
    while (sent < Total && !deadline.hasExpired()) {
        pollfd ready{fd, POLLOUT, 0};
        if (::poll(&ready, 1, int(deadline.remainingTime())) == 1)
            sent += qMax<ssize_t>(
                0, ::write(fd, text.constData(), size_t(qMin<qint64>(text.size(), Total - sent))));
    }
    QCOMPARE(sent, Total);
    QCOMPARE(::write(fd, "\xEF\x65", 2), ssize_t(2));
    QCOMPARE(readFor(fd, 2).toHex(' '), "ee 65");

    // Once read again, the log says how much it left out.
    QByteArray lines;
    const QDeadlineTimer readDeadline(10000);
    while (!lines.contains("lines dropped") && !readDeadline.hasExpired()) {
        pollfd ready{reader, POLLIN, 0};
        char buffer[65536];
        if (::poll(&ready, 1, int(readDeadline.remainingTime())) == 1)
            lines.append(buffer, qMax<ssize_t>(0, ::read(reader, buffer, sizeof buffer)));
    }
    QVERIFY(lines.contains("lines dropped: the log was not read"));
}

void TestProgram::refusesAStoreThatIsNoFile_data()
{
    QTest::addColumn<QString>("store");
    QTest::newRow("folder") << u"folder"_s;
    QTest::newRow("fifo") << u"fifo"_s;
    QTest::newRow("link to a fifo") << u"link"_s;
}

// Refused at once, with the reason, before anything is read or written.
void TestProgram::refusesAStoreThatIsNoFile()
{
    QFETCH(QString, store);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600), 0);
    QVERIFY(QFile::link(dir.filePath(u"fifo"_s), dir.filePath(u"link"_s)));
    const QString path = dir.filePath(store);

    QProcess process;
    process.start(Program, {u"--headless"_s, u"--link"_s, QString(), u"--store"_s, path});
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished();
    });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
    QCOMPARE(process.readAllStandardError(),
             "velnor-emulator: --store: " + QFile::encodeName(path) +
                 " is not a regular file (nor a link to one)\n");
    QVERIFY(!QFileInfo(path).isFile());
}

// Another program holds the settings file's lock: a signal ends the wait for it at once, and
// nothing is written.
void TestProgram::signalEndsTheWaitForTheSettingsLock()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const IniFile ini(dir.filePath(u"velnor.ini"_s));
    QVERIFY(ini.write(u"Ports"_s, u"1"_s, u"/dev/ttyS0"_s));
    const IniLock held = ini.tryLock();
    QCOMPARE(held.state(), IniLock::State::Held);

    // The signal comes once the program tries the lock, not while it starts.
    test::OpenWatch tries(dir.path(), "velnor.ini.lock");
    QProcess process;
    process.start(Program, {u"--headless"_s, u"--ini"_s, ini.path(), u"--port"_s, u"3"_s,
                            u"--link"_s, dir.filePath(u"device"_s), u"--store"_s, QString()});
    QVERIFY(tries.wait(process));
    ::kill(pid_t(process.processId()), SIGTERM);
    // Waiting the lock out would end with a failure, status 1.
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(ini.read(u"Ports"_s, u"3"_s), QString());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"device"_s)));
}

void TestProgram::benchCommandsAndPowerSignal()
{
    QProcess process;
    process.start(Program, {u"--headless"_s, u"--commands"_s, u"--addresses"_s, u"none"_s,
                            u"--link"_s, QString(), u"--store"_s, QString()});
    QVERIFY(process.waitForStarted());
    const QByteArray device = nextLine(process).mid(7);
    // The log's lines come between the answers: the answer wanted is the next one starting so.
    const auto next = [&process](const char* start) {
        QByteArray line;
        while (!(line = nextLine(process)).isEmpty() && !line.startsWith(start)) {
        }
        return line;
    };
    process.write("plug 101\nplug 140\n");
    QCOMPARE(next("#"), "# plugged 101 at 9600 bit/s");
    QVERIFY(next("!").startsWith("! plug ADDRESS [SPEED]"));
    const int fd = openDevice(QString::fromLocal8Bit(device));
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    // A new address waits for the module to be switched off and on: here by the signal.
    QCOMPARE(::write(fd, "\xEF\x65\xFE\x30\x6D\xFE\x20", 7), ssize_t(7));
    QCOMPARE(next("<"), "< EE 65");
    ::kill(pid_t(process.processId()), SIGUSR1);
    QCOMPARE(next("#"), "# powered up 1");
    QCOMPARE(::write(fd, "\xEF\x6D", 2), ssize_t(2));
    QCOMPARE(next("<"), "< EE 6D");
    process.write("list\nunplug\nlist\nquit\n");
    QCOMPARE(next("#"), "# module 101: address 109 at 9600 bit/s");
    QCOMPARE(next("#"), "# modules 1");
    QCOMPARE(next("#"), "# unplugged 1");
    QCOMPARE(next("#"), "# modules 0");
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestProgram)
#include "tst_program.moc"
