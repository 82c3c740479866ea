#include "ExclusiveHolder.h"
#include "Files.h"
#include "Processes.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using velnor::test::openDevice;
using velnor::test::readFor;

namespace velnor {

// The line carried over a real pseudo-terminal, opened from the other side as the panel would.
class TestPtyHost : public QObject
{
    Q_OBJECT

private slots:
    void answersOverTheTerminal();
    void hearsAtTheSpeedTheTerminalIsSet();
    void answersNobodyReadsAreDropped();
    void exclusiveModeEndsWithItsHolder();
    void leftoverTemporaryLinksGo();
    void linkOfARunningEmulatorStays_data();
    void linkOfARunningEmulatorStays();
};

void TestPtyHost::answersOverTheTerminal()
{
    PtyHost host({101, 102});
    // Inputs that answer 0D 0A, which a terminal left in its usual mode would change.
    host.line().setInputs(1, 0xAD);
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));
    const int fd = openDevice(host.slavePath());
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    QTRY_VERIFY(host.peerOpen());

    QCOMPARE(::write(fd, "\xEF\x66\xFE\x0E", 4), ssize_t(4));
    QCOMPARE(readFor(fd, 6).toHex(' '), "ee 66 ee 66 0d 0a");
    // A lone deselect is answered once its window has closed, and nothing more comes with it.
    QCOMPARE(::write(fd, "\xEA", 1), ssize_t(1));
    QCOMPARE(readFor(fd, 2).toHex(' '), "ee 66");
    QCOMPARE(readFor(fd, 1, {}), QByteArray());
}

void TestPtyHost::hearsAtTheSpeedTheTerminalIsSet()
{
    PtyHost host({101, 102});
    // Module 101 stores 4800 bit/s and comes back on at it; 102 stays at 9600.
    host.line().feed(QByteArrayLiteral("\xEF\x65\xFE\x1F\xFE\x20\xEA\x64"), 0);
    host.line().powerUp();
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));
    const int fd = openDevice(host.slavePath());
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    termios settings{};
    QCOMPARE(::tcgetattr(fd, &settings), 0);
    ::cfsetspeed(&settings, B4800);
    QCOMPARE(::tcsetattr(fd, TCSANOW, &settings), 0);

    QCOMPARE(::write(fd, "\xEF\x65\xEF\x66", 4), ssize_t(4));
    QCOMPARE(readFor(fd, 2).toHex(' '), "ee 65");
    QCOMPARE(host.line().speed(), 4800);
}

void TestPtyHost::answersNobodyReadsAreDropped()
{
    PtyHost host({101});
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));
    QSignalSpy answered(&host, &PtyHost::answered);
    QSignalSpy dropped(&host, &PtyHost::dropped);
    const int fd = openDevice(host.slavePath());
    QVERIFY(fd >= 0);
    QTRY_COMPARE(host.peers(), std::optional<int>(1));
    // The program goes before the modules have read its frame: their answer has no reader, and
    // what reports the line's traffic must not show it as sent.
    QCOMPARE(::write(fd, "\xEF\x65", 2), ssize_t(2));
    ::close(fd);
    QTRY_VERIFY(host.line().module(0).ownSelected());
    QCOMPARE(answered.size(), 0);
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped.first().first().toByteArray(), QByteArray("\xEE\x65"));
    QCOMPARE(host.peers(), std::optional<int>(0));
}

void TestPtyHost::exclusiveModeEndsWithItsHolder()
{
    PtyHost host({101});
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));
    const QByteArray device = QFile::encodeName(host.slavePath());

    // A panel takes the line in exclusive mode before the emulator has looked at anything.
    test::ExclusiveHolder holder(device);
    QVERIFY(holder.holding());
    // Another program comes and goes (the next panel's probe, say): the holder keeps its mode.
    QVERIFY(test::ExclusiveHolder::exclusive(device));
    QTRY_COMPARE(host.peers(), std::optional<int>(1));
    QVERIFY(test::ExclusiveHolder::exclusive(device));

    // Killed, the holder cannot leave the mode itself: the line must not stay locked.
    holder.kill();
    QTRY_COMPARE(host.peers(), std::optional<int>(0));
    QVERIFY(!test::ExclusiveHolder::exclusive(device));
}

void TestPtyHost::leftoverTemporaryLinksGo()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const pid_t ended = test::endedProcessId();
    const pid_t endedToo = test::endedProcessId();
    QVERIFY(ended > 0 && endedToo > 0);
    const QString gone = u"line.new%1"_s.arg(ended);
    const QString running = u"line.new%1"_s.arg(::getppid());
    // Only our own kind of name beside our own link, and only links.
    const QStringList others = {u"other.new%1"_s.arg(ended), u"line.new%1x"_s.arg(ended),
                                u"line.new"_s};
    for (const QString& name : QStringList{gone, running} + others)
        QVERIFY(QFile::link(u"/dev/pts/999"_s, dir.filePath(name)));
    // Not a link, though its process has ended too. (Not "line.new1": the parent may be init.)
    const QString file = u"line.new%1"_s.arg(endedToo);
    QVERIFY(test::put(dir.filePath(file), {}));

    PtyHost host({101});
    host.setLinkPath(dir.filePath(u"line"_s));
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));
    QStringList expected = QStringList{u"line"_s, file, running} + others;
    expected.sort();
    QCOMPARE(test::entries(dir.path()), expected);
}

void TestPtyHost::linkOfARunningEmulatorStays_data()
{
    QTest::addColumn<bool>("firstRuns");
    QTest::newRow("first still running") << true;
    // As a killed emulator leaves it: leading to a terminal that is gone.
    QTest::newRow("left by one that ended") << false;
}

void TestPtyHost::linkOfARunningEmulatorStays()
{
    QFETCH(bool, firstRuns);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(u"line"_s);
    auto first = std::make_unique<PtyHost>(QList<quint8>{101});
    first->setLinkPath(link);
    QString error;
    QVERIFY2(first->start(&error), qPrintable(error));
    const QString firstDevice = first->slavePath();
    if (!firstRuns) {
        first.reset();
        QVERIFY(QFile::link(firstDevice, link));
    }
    {
        PtyHost second({102});
        second.setLinkPath(link);
        QCOMPARE(second.start(&error), !firstRuns);
        if (firstRuns)
            QVERIFY2(error.contains(u"process %1"_s.arg(QCoreApplication::applicationPid())),
                     qPrintable(error));
        QCOMPARE(QFileInfo(link).symLinkTarget(), firstRuns ? firstDevice : second.slavePath());
    }
    // The second one's end leaves a link that is not its own.
    QCOMPARE(QFileInfo(link).isSymLink(), firstRuns);
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestPtyHost)
#include "tst_ptyhost.moc"
