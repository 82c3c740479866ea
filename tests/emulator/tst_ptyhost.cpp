#include "LineScript.h"

#include "emulator/Line.h"
#include "emulator/PtyHost.h"

#include <QFile>
#include <QEventLoop>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace velnor {

// The line carried over a real pseudo-terminal, opened from this side as the panel would.
class TestPtyHost : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void selectIsAnswered();
    void bytesPassUnchanged();
    void loneDeselectIsAnsweredAfterItsWindow();
    void survivesClosingAndReopening();
    void answersNobodyReadsAreDropped();
    void linkFollowsTheDevice();
    void linkNeverReplacesAFile();

private:
    // Opens the device as the panel would; -1 on failure.
    int openDevice(const QString& path);
    void write(int fd, const QString& script);
    // Waits (3 s at most) until at least count bytes could be read from fd, then takes what
    // else is there.
    QByteArray receive(int fd, int count);

    QTemporaryDir m_dir;
    std::unique_ptr<PtyHost> m_host;
    QList<int> m_fds;
};

namespace {

qint64 cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

QByteArray readAvailable(int fd)
{
    QByteArray bytes;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    return bytes;
}

} // namespace

void TestPtyHost::init()
{
    QVERIFY(m_dir.isValid());
    m_host = std::make_unique<PtyHost>(QList<quint8>{101, 102});
    m_host->setLinkPath(m_dir.filePath(u"device"_s));
    QString error;
    QVERIFY2(m_host->start(&error), qPrintable(error));
}

void TestPtyHost::cleanup()
{
    for (int fd : std::as_const(m_fds))
        ::close(fd);
    m_fds.clear();
    m_host.reset();
}

int TestPtyHost::openDevice(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0)
        m_fds.append(fd);
    return fd;
}

void TestPtyHost::write(int fd, const QString& script)
{
    const QByteArray bytes = scriptBytes(script);
    QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
}

QByteArray TestPtyHost::receive(int fd, int count)
{
    QByteArray received = readAvailable(fd);
    QEventLoop loop;
    QSocketNotifier readable(fd, QSocketNotifier::Read);
    connect(&readable, &QSocketNotifier::activated, &loop, [&] {
        received += readAvailable(fd);
        if (received.size() >= count)
            loop.quit();
    });
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    if (received.size() < count)
        loop.exec();
    // Whatever the host sends beyond that shows up once it has had its turn.
    QCoreApplication::processEvents();
    return received + readAvailable(fd);
}

void TestPtyHost::selectIsAnswered()
{
    QVERIFY(m_host->slavePath().startsWith(u"/dev/"_s));
    QCOMPARE(m_host->devicePath(), m_dir.filePath(u"device"_s));
    QSignalSpy frames(m_host.get(), &PtyHost::frameReceived);
    QSignalSpy answers(m_host.get(), &PtyHost::answered);
    const int fd = openDevice(m_host->devicePath());
    QVERIFY(fd >= 0);
    QTRY_VERIFY(m_host->peerOpen());

    write(fd, u"EF 65"_s);
    QCOMPARE(hexText(receive(fd, 2)), u"EE 65"_s);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first().first().toByteArray(), scriptBytes(u"EF 65"_s));
    QCOMPARE(answers.size(), 1);
    QVERIFY(m_host->line().module(0).ownSelected());
}

void TestPtyHost::bytesPassUnchanged()
{
    // Inputs that answer with CR and LF, which a terminal in its usual mode would change.
    m_host->line().setInputs(0, 0xAD);
    QByteArray received;
    connect(m_host.get(), &PtyHost::frameReceived, this,
            [&received](const QByteArray& bytes) { received += bytes; });
    const int fd = openDevice(m_host->slavePath());
    QVERIFY(fd >= 0);

    const QString frames = u"EF 65 0D 0A \"x\" 03 04 11 13 1A 7F 0A 0D FE 0E"_s;
    write(fd, frames);
    QCOMPARE(hexText(receive(fd, 6)), u"EE 65 EE 65 0D 0A"_s);
    QCOMPARE(hexText(received), hexText(scriptBytes(frames)));
}

void TestPtyHost::loneDeselectIsAnsweredAfterItsWindow()
{
    const int fd = openDevice(m_host->devicePath());
    QVERIFY(fd >= 0);
    write(fd, u"EF 65 EF 64 EA 64"_s);
    QCOMPARE(hexText(receive(fd, 2)), u"EE 65"_s);
    QCOMPARE(selections(m_host->line()), u"O-,--"_s);

    QSignalSpy answers(m_host.get(), &PtyHost::answered);
    write(fd, u"EA"_s);
    QCOMPARE(hexText(receive(fd, 2)), u"EE 65"_s);
    QCOMPARE(answers.size(), 1);
    QCOMPARE(selections(m_host->line()), u"--,--"_s);
}

void TestPtyHost::survivesClosingAndReopening()
{
    int fd = openDevice(m_host->devicePath());
    QVERIFY(fd >= 0);
    write(fd, u"EF 65"_s);
    QCOMPARE(hexText(receive(fd, 2)), u"EE 65"_s);
    ::close(m_fds.takeLast());
    QTRY_VERIFY(!m_host->peerOpen());

    // With the device closed, the host stays quiet instead of spinning on the terminal.
    const qint64 before = cpuMilliseconds();
    QTimer quiet;
    quiet.setSingleShot(true);
    QSignalSpy over(&quiet, &QTimer::timeout);
    quiet.start(400);
    QVERIFY(over.wait(2000));
    QVERIFY2(cpuMilliseconds() - before < 200, "busy while nobody has the device open");

    fd = openDevice(m_host->devicePath());
    QVERIFY(fd >= 0);
    write(fd, u"EF 66"_s);
    QCOMPARE(hexText(receive(fd, 2)), u"EE 66"_s);
}

void TestPtyHost::answersNobodyReadsAreDropped()
{
    QSignalSpy answers(m_host.get(), &PtyHost::answered);
    int fd = openDevice(m_host->devicePath());
    QVERIFY(fd >= 0);
    // Closed before the host has read the select: the answer finds nobody.
    write(fd, u"EF 65"_s);
    ::close(m_fds.takeLast());
    QVERIFY(answers.wait(3000));

    fd = openDevice(m_host->devicePath());
    QVERIFY(fd >= 0);
    write(fd, u"EF 66"_s);
    QCOMPARE(hexText(receive(fd, 2)), u"EE 66"_s);
}

void TestPtyHost::linkFollowsTheDevice()
{
    const QString link = m_dir.filePath(u"device"_s);
    QCOMPARE(QFileInfo(link).symLinkTarget(), m_host->slavePath());

    // A second host takes the name over; the first leaves the new link alone when it goes.
    PtyHost second({103});
    second.setLinkPath(link);
    QVERIFY(second.start());
    QCOMPARE(QFileInfo(link).symLinkTarget(), second.slavePath());
    m_host.reset();
    QCOMPARE(QFileInfo(link).symLinkTarget(), second.slavePath());
}

void TestPtyHost::linkNeverReplacesAFile()
{
    const QString path = m_dir.filePath(u"precious"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    PtyHost host({101});
    host.setLinkPath(path);
    QString error;
    QVERIFY(!host.start(&error));
    QVERIFY(error.contains(path));
    QVERIFY(!host.isRunning());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestPtyHost)
#include "tst_ptyhost.moc"
