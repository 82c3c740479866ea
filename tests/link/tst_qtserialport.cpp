#include "link/QtSerialPort.h"

#include "Pty.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using velnor::QtSerialPort;
using velnor::SerialPort;

// The real adapter over a pseudo-terminal: the test plays the device at the master side.
class TestQtSerialPort final : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void bytesGoOut();
    void bytesComeInPieces();
    void bytesFromBeforeOpeningAreDropped();
    void openFailsWithTheReason();
    void secondOpenIsRefused_data();
    void secondOpenIsRefused();
    void exclusiveModeOfAnotherProgramIsRespected();
    void hangUpClosesQuietly();

private:
    // Port 1 leads to device.
    static velnor::PortMap portsFor(const QString& device);

    std::optional<QTemporaryDir> m_dir;
    std::optional<velnor::test::Pty> m_pty;
};

void TestQtSerialPort::init()
{
    QVERIFY(m_dir.emplace().isValid());
    QVERIFY2(m_pty.emplace().isOpen(), qPrintable(m_pty->errorString()));
}

velnor::PortMap TestQtSerialPort::portsFor(const QString& device)
{
    return {[device](int number) { return number == 1 ? device : QString(); }, {}, {}};
}

void TestQtSerialPort::bytesGoOut()
{
    QByteArray every;
    for (int value = 0; value < 256; ++value)
        every.append(char(value));
    {
        QtSerialPort port(portsFor(m_pty->slavePath()));
        QVERIFY(!port.output("x"_ba));
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
        // Every byte value passes unchanged: no newline or flow-control byte is special.
        QVERIFY(port.output(every));
        QCOMPARE(m_pty->read(256), every);

        // Bytes written just before closing still reach the device, and the port opens again.
        QVERIFY(port.output("before close"_ba));
        QVERIFY(port.setPortOpen(false));
        QCOMPARE(m_pty->read(12), "before close"_ba);
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
        QVERIFY(port.output("at exit"_ba));
    }
    QCOMPARE(m_pty->read(7), "at exit"_ba);
}

void TestQtSerialPort::bytesComeInPieces()
{
    QtSerialPort port(portsFor(m_pty->slavePath()));
    port.setRThreshold(4);
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QByteArray received;
    connect(&port, &SerialPort::onComm, this, [&] {
        QVERIFY(port.inBufferCount() >= 4);
        received += port.input();
    });

    QByteArray sent = "\x01\x02\x03"_ba;
    QVERIFY(m_pty->write(sent));
    QTRY_COMPARE(port.inBufferCount(), 3);
    QVERIFY(received.isEmpty());
    // Every byte value in odd-sized pieces, no more in all than the port's receive buffer holds.
    for (int i = 0; i < 1000; ++i)
        sent.append(char(i * 7 + i / 256));
    for (qsizetype at = 3; at < sent.size(); at += 97)
        QVERIFY(m_pty->write(sent.mid(at, 97)));
    // The last piece may stay below the threshold and wait for more.
    QTRY_COMPARE(received.size() + port.inBufferCount(), sent.size());
    QCOMPARE(received + port.input(), sent);
}

void TestQtSerialPort::bytesFromBeforeOpeningAreDropped()
{
    // A stray byte the device took in while nobody had it open must not sit in front of the
    // first answer after opening.
    QtSerialPort port(portsFor(m_pty->slavePath()));
    QVERIFY(m_pty->write("\x05"_ba));
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QVERIFY(m_pty->write("\xee\x65"_ba));
    QTRY_VERIFY(port.inBufferCount() >= 2);
    QCOMPARE(port.input(), "\xee\x65"_ba);
}

// A missing device is tst_portadvice's, with the advice that follows the reason.
void TestQtSerialPort::openFailsWithTheReason()
{
    QtSerialPort port(portsFor(m_pty->slavePath()));
    port.setSettings(u"9600,x,8,1"_s);
    QVERIFY(!port.setPortOpen(true));
    QCOMPARE(
        port.errorString(),
        u"Settings \"9600,x,8,1\" cannot be used: parity \"x\" is not one of n, e, o, m, s"_s);
    QVERIFY(!port.portOpen());
}

void TestQtSerialPort::secondOpenIsRefused_data()
{
    QTest::addColumn<bool>("byLink");
    QTest::newRow("same path") << false;
    QTest::newRow("through a symlink") << true;
}

void TestQtSerialPort::secondOpenIsRefused()
{
    QFETCH(bool, byLink);
    const QString slave = m_pty->slavePath();
    const QString alias = m_dir->filePath(u"ttyLCD"_s);
    QVERIFY(QFile::link(slave, alias));
    const QString secondPath = byLink ? alias : slave;
    QtSerialPort first(portsFor(slave));
    QtSerialPort second(portsFor(secondPath));
    QVERIFY2(first.setPortOpen(true), qPrintable(first.errorString()));

    QVERIFY(!second.setPortOpen(true));
    QCOMPARE(second.errorString().section(u'\n', 0, 0),
             secondPath + u": "_s + qt_error_string(EBUSY));
    // A program that only locks the device itself is kept out too: root gets past the kernel's
    // exclusive mode, but not past the lock.
    const int other = ::open(QFile::encodeName(slave).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(other < 0 || ::flock(other, LOCK_EX | LOCK_NB) != 0);
    ::close(other);

    // The holder is undisturbed, and the device is free again once it lets go.
    QVERIFY(first.output("still mine"_ba));
    QCOMPARE(m_pty->read(10), "still mine"_ba);
    QVERIFY(first.setPortOpen(false));
    QVERIFY2(second.setPortOpen(true), qPrintable(second.errorString()));
    QVERIFY(!first.setPortOpen(true));
}

void TestQtSerialPort::exclusiveModeOfAnotherProgramIsRespected()
{
    // A program that takes the terminal in the kernel's exclusive mode and nothing else: root
    // could open it regardless, so the adapter asks the device first.
    const QString slave = m_pty->slavePath();
    const int other = ::open(QFile::encodeName(slave).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(other >= 0);
    QVERIFY(::ioctl(other, TIOCEXCL) == 0);
    QtSerialPort port(portsFor(slave));
    QVERIFY(!port.setPortOpen(true));
    QCOMPARE(port.errorString().section(u'\n', 0, 0), slave + u": "_s + qt_error_string(EBUSY));

    QVERIFY(::ioctl(other, TIOCNXCL) == 0);
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    ::close(other);
}

void TestQtSerialPort::hangUpClosesQuietly()
{
    QtSerialPort port(portsFor(m_pty->slavePath()));
    port.setRThreshold(1);
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QSignalSpy errors(port.findChild<QSerialPort*>(), &QSerialPort::errorOccurred);
    QSignalSpy events(&port, &SerialPort::onComm);

    // Qt alone keeps the port open and reports a read error over and over, at full speed.
    m_pty->closeMaster();
    QTRY_VERIFY(!port.portOpen());
    QVERIFY2(errors.count() <= 3, qPrintable(QString::number(errors.count())));
    QCOMPARE(events.count(), 0);

    // The terminal is gone with its far end; the next opening says so.
    QVERIFY(!port.setPortOpen(true));
    QCOMPARE(port.errorString().section(u'\n', 0, 0),
             m_pty->slavePath() + u": "_s + qt_error_string(ENOENT));
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
