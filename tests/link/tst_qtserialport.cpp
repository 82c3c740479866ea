#include "link/QtSerialPort.h"
#include "settings/IniFile.h"

#include "Pty.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;
using velnor::IniFile;
using velnor::QtSerialPort;
using velnor::SerialPort;
using velnor::test::Pty;

namespace {

QByteArray everyByteValue()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

// The real adapter over pseudo-terminals: the test plays the device at the master side.
class TestQtSerialPort final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void bytesGoOut();
    void bytesComeIn();
    void nothingIsLostInPieces();
    void openFails_data();
    void openFails();
    void secondOpenIsRefused_data();
    void secondOpenIsRefused();
    void deviceLockedElsewhereIsRefused();
    void reopenReadsEditedPorts();
    void hangUpClosesQuietly();

private:
    // A settings file whose "Ports" section maps port 1 to device.
    IniFile portsFor(const QString& device, const QString& name = u"velnor.ini"_s);

    QTemporaryDir m_dir;
};

void TestQtSerialPort::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

IniFile TestQtSerialPort::portsFor(const QString& device, const QString& name)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write("[Settings]\r\nCommPort=1\r\n[Ports]\r\n1=" + QFile::encodeName(device) + "\r\n");
    return IniFile(path);
}

void TestQtSerialPort::bytesGoOut()
{
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    {
        QtSerialPort port(portsFor(pty.slavePath()));
        QVERIFY(!port.output(QByteArrayLiteral("x")));
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
        QVERIFY(port.portOpen());

        // Every byte value passes unchanged: no newline or flow-control byte is special.
        QVERIFY(port.output(everyByteValue()));
        QCOMPARE(pty.read(256, 5s), everyByteValue());

        // Bytes written just before closing still reach the device.
        QVERIFY(port.output(QByteArrayLiteral("before close")));
        QVERIFY(port.setPortOpen(false));
        QVERIFY(!port.portOpen());
        QCOMPARE(pty.read(12, 5s), QByteArrayLiteral("before close"));
        QVERIFY(!port.output(QByteArrayLiteral("x")));
        QVERIFY(port.errorString().startsWith(pty.slavePath()));

        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
        QVERIFY(port.output(QByteArrayLiteral("at exit")));
    }
    QCOMPARE(pty.read(7, 5s), QByteArrayLiteral("at exit"));
}

void TestQtSerialPort::bytesComeIn()
{
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    QtSerialPort port(portsFor(pty.slavePath()));
    port.setRThreshold(4);
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QSignalSpy events(&port, &SerialPort::onComm);

    QVERIFY(pty.write("\x01"));
    QTRY_COMPARE(port.inBufferCount(), 1);
    QVERIFY(pty.write("\x02\x03"));
    QTRY_COMPARE(port.inBufferCount(), 3);
    QCOMPARE(events.count(), 0);

    QVERIFY(pty.write("\x04\xff"));
    QTRY_COMPARE(events.count(), 1);
    QCOMPARE(port.input(), QByteArray("\x01\x02\x03\x04\xff"));
}

void TestQtSerialPort::nothingIsLostInPieces()
{
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    QtSerialPort port(portsFor(pty.slavePath()));
    port.setRThreshold(2);
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));

    QByteArray received;
    int wrongEvents = 0;
    connect(&port, &SerialPort::onComm, this, [&] {
        if (port.commEvent() != SerialPort::ComEvReceive)
            ++wrongEvents;
        received += port.input();
    });

    // More than the terminal holds at once, in odd-sized pieces, so the port reads while the
    // far end is still writing.
    QByteArray sent;
    for (int i = 0; i < 20000; ++i)
        sent.append(char((i * 7 + i / 256) & 0xff));
    for (qsizetype at = 0; at < sent.size(); at += 97)
        QVERIFY(
            pty.write(QByteArrayView(sent).sliced(at, std::min<qsizetype>(97, sent.size() - at))));

    // The last piece may stay below the threshold and wait for more.
    QTRY_COMPARE(received.size() + port.inBufferCount(), sent.size());
    received += port.input();
    QCOMPARE(received, sent);
    QCOMPARE(wrongEvents, 0);
}

void TestQtSerialPort::openFails_data()
{
    QTest::addColumn<QString>("device"); // "pty": a working pseudo-terminal
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("error");

    const QString missing = m_dir.filePath(u"no-such-tty"_s);
    QTest::newRow("missing device")
        << missing << 1 << u"9600,n,8,1"_s << missing + u": "_s + qt_error_string(ENOENT);
    // The settings file itself: a plain file of our own, where a shared one such as /dev/null
    // could be held for a moment by a test running beside this one.
    const QString plain = m_dir.filePath(u"velnor.ini"_s);
    QTest::newRow("not a serial port")
        << plain << 1 << u"9600,n,8,1"_s << plain + u": "_s + qt_error_string(ENOTTY);
    QTest::newRow("bad parity")
        << u"pty"_s << 1 << u"9600,x,8,1"_s
        << u"Settings \"9600,x,8,1\" cannot be used: parity \"x\" is not one of n, e, o, m, s"_s;
    QTest::newRow("empty settings")
        << u"pty"_s << 1 << QString()
        << u"Settings \"\" cannot be used: expected speed,parity,data bits,stop bits "
           "such as 9600,n,8,1"_s;
    QTest::newRow("port 0") << u"pty"_s << 0 << u"9600,n,8,1"_s << u"Port 0 names no device"_s;
}

void TestQtSerialPort::openFails()
{
    QFETCH(QString, device);
    QFETCH(int, number);
    QFETCH(QString, settings);
    QFETCH(QString, error);
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    if (device == u"pty")
        device = pty.slavePath();

    QtSerialPort port(portsFor(device));
    port.setCommPort(number);
    port.setSettings(settings);
    QVERIFY(!port.setPortOpen(true));
    QVERIFY(!port.portOpen());
    QCOMPARE(port.errorString(), error);
    QVERIFY(!port.output(QByteArrayLiteral("x")));
}

void TestQtSerialPort::secondOpenIsRefused_data()
{
    QTest::addColumn<bool>("firstByLink");
    QTest::addColumn<bool>("secondByLink");
    QTest::newRow("same path") << false << false;
    QTest::newRow("second through a symlink") << false << true;
    QTest::newRow("first through a symlink") << true << false;
}

void TestQtSerialPort::secondOpenIsRefused()
{
    QFETCH(bool, firstByLink);
    QFETCH(bool, secondByLink);
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    const QString alias = m_dir.filePath(u"ttyLCD"_s);
    QFile::remove(alias);
    QVERIFY(QFile::link(pty.slavePath(), alias));
    const QString firstPath = firstByLink ? alias : pty.slavePath();
    const QString secondPath = secondByLink ? alias : pty.slavePath();

    QtSerialPort first(portsFor(firstPath, u"first.ini"_s));
    QtSerialPort second(portsFor(secondPath, u"second.ini"_s));
    QVERIFY2(first.setPortOpen(true), qPrintable(first.errorString()));

    QVERIFY(!second.setPortOpen(true));
    QVERIFY(!second.portOpen());
    QCOMPARE(second.errorString(), secondPath + u": "_s + qt_error_string(EBUSY));

    // A program that honours only lock files, such as a terminal program, is kept out too,
    // whichever name the port was opened by (as root, nothing else would stop it).
    QSerialPort lockFileOnly;
    lockFileOnly.setPortName(pty.slavePath());
    QVERIFY(!lockFileOnly.open(QIODevice::ReadWrite));

    // The holder is undisturbed, and the device is free again once it lets go.
    QVERIFY(first.output(QByteArrayLiteral("still mine")));
    QCOMPARE(pty.read(10, 5s), QByteArrayLiteral("still mine"));
    QVERIFY(first.setPortOpen(false));
    QVERIFY2(second.setPortOpen(true), qPrintable(second.errorString()));
    QVERIFY(!first.setPortOpen(true));
}

void TestQtSerialPort::deviceLockedElsewhereIsRefused()
{
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    const QByteArray slave = QFile::encodeName(pty.slavePath());
    QtSerialPort port(portsFor(pty.slavePath()));

    // Another program that locks the device but writes no lock file.
    const int other = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    QVERIFY(!port.setPortOpen(true));
    QCOMPARE(port.errorString(), pty.slavePath() + u": "_s + qt_error_string(EBUSY));
    ::close(other);

    // Once open, the port holds the device against such a program. Root gets past the
    // kernel's exclusive mode, but not past the lock.
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    const int late = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int openError = errno;
    if (late >= 0) {
        QCOMPARE(::flock(late, LOCK_EX | LOCK_NB), -1);
        QCOMPARE(errno, EWOULDBLOCK);
        ::close(late);
    } else {
        QVERIFY(geteuid() != 0);
        QCOMPARE(openError, EBUSY);
    }
}

void TestQtSerialPort::reopenReadsEditedPorts()
{
    Pty before;
    Pty after;
    QVERIFY2(before.isOpen() && after.isOpen(), qPrintable(before.errorString()));
    QtSerialPort port(portsFor(before.slavePath()));
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QVERIFY(port.output(QByteArrayLiteral("one")));
    QCOMPARE(before.read(3, 5s), QByteArrayLiteral("one"));
    QVERIFY(port.setPortOpen(false));

    // The user points port 1 elsewhere while the program runs.
    portsFor(after.slavePath());
    QCOMPARE(port.devicePath(), after.slavePath());
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QVERIFY(port.output(QByteArrayLiteral("two")));
    QCOMPARE(after.read(3, 5s), QByteArrayLiteral("two"));
}

void TestQtSerialPort::hangUpClosesQuietly()
{
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    QtSerialPort port(portsFor(pty.slavePath()));
    port.setRThreshold(1);
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    auto* device = port.findChild<QSerialPort*>();
    QVERIFY(device);
    QSignalSpy errors(device, &QSerialPort::errorOccurred);
    QSignalSpy events(&port, &SerialPort::onComm);

    pty.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!port.portOpen(), 5000);

    // Let the event loop run a while: a port still failing over and over would pile up errors
    // and burn processor time here.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer settle;
    settle.setSingleShot(true);
    QSignalSpy settled(&settle, &QTimer::timeout);
    settle.start(300);
    QVERIFY(settled.wait(5000));
    const double busy = (cpuSeconds() - cpuBefore) / (double(wall.elapsed()) / 1000.0);

    QVERIFY2(errors.count() <= 3, qPrintable(QString::number(errors.count())));
    QVERIFY2(busy < 0.5, qPrintable(QString::number(busy)));
    QCOMPARE(events.count(), 0);
    QVERIFY(!port.portOpen());
    QVERIFY(port.errorString().startsWith(pty.slavePath() + u": "_s));

    // The terminal is gone with its far end; the next opening says so.
    QVERIFY(!port.setPortOpen(true));
    QCOMPARE(port.errorString(), pty.slavePath() + u": "_s + qt_error_string(ENOENT));
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
