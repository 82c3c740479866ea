#include "link/PortAdvice.h"
#include "link/QtSerialPort.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include "Files.h"
#include "Pty.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using velnor::PortAdvice;

Q_DECLARE_METATYPE(PortAdvice::Cause)
Q_DECLARE_METATYPE(PortAdvice::Facts)

// What the message box says to do about a port that would not open, for each common cause;
// and the same advice from the real port, with the holder found among the real processes.
class TestPortAdvice final : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void permissionNamesTheDevicesGroup();
    void portReportsItsHolder();
    void portReportsAMissingDevice();
};

static const QString kSettings = u"/home/ada/.config/velnor/velnor.ini"_s;

static PortAdvice::Facts facts(const QString& group, bool groupMayUse,
                               const QList<PortAdvice::Holder>& holders = {},
                               const QStringList& adapters = {}, bool exists = true)
{
    PortAdvice::Facts facts;
    facts.exists = exists;
    facts.group = group;
    facts.groupMayUse = groupMayUse;
    facts.owner = u"ada"_s;
    facts.holders = holders;
    facts.adapters = adapters;
    return facts;
}

void TestPortAdvice::text_data()
{
    QTest::addColumn<PortAdvice::Cause>("cause");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("port");
    QTest::addColumn<PortAdvice::Facts>("facts");
    // What decides the row: fragments the advice holds, and one it must not ("-...").
    QTest::addColumn<QStringList>("fragments");

    using C = PortAdvice::Cause;
    const QString usb = u"/dev/ttyUSB0"_s;
    const auto row = [](const char* name, C cause, const QString& device, int port,
                        const PortAdvice::Facts& facts, const QStringList& fragments) {
        QTest::newRow(name) << cause << device << port << facts << fragments;
    };
    const QString mapLine = u"put the line \"%1\" in section [Ports] of "_s + kSettings + u'.';
    row("permission: dialout", C::NotPermitted, usb, 3, facts(u"dialout"_s, true),
        {u"may not open /dev/ttyUSB0; members of group dialout may"_s,
         u"\n    sudo usermod -aG dialout $USER\n"_s});
    row("permission: uucp", C::NotPermitted, usb, 3, facts(u"uucp"_s, true),
        {u"sudo usermod -aG uucp $USER"_s});
    row("permission: group unknown", C::NotPermitted, usb, 3, facts(QString(), false),
        {u"sudo usermod -aG dialout $USER"_s});
    row("permission: owner only", C::NotPermitted, u"/dev/pts/4"_s, 2, facts(u"tty"_s, false),
        {u"Only its owner, ada, may open /dev/pts/4.\n"_s, mapLine.arg(u"2=/dev/ttyUSB0"_s),
         u"-usermod"_s});
    row("permission: group root", C::NotPermitted, usb, 0, facts(u"root"_s, true),
        {u"Only its owner, ada, may open /dev/ttyUSB0."_s, u"-[Ports]"_s});

    row("busy: one holder", C::InUse, usb, 1, facts(u"dialout"_s, true, {{4242, u"minicom"_s}}),
        {u"in use by minicom (process 4242). Close that program"_s});
    row("busy: two holders", C::InUse, usb, 1,
        facts(u"dialout"_s, true, {{7, u"screen"_s}, {4242, u"minicom"_s}}),
        {u"in use by screen (process 7), minicom (process 4242). Close them"_s});
    row("busy: holder not shown", C::InUse, usb, 1, facts(u"dialout"_s, true),
        {u"Another program has /dev/ttyUSB0 open"_s});
    PortAdvice::Facts here = facts(u"dialout"_s, true);
    here.heldHere = true;
    row("busy: this program's configuration window", C::InUse, usb, 1, here,
        {u"held by this program's configuration window. Close that window"_s,
         u"-Another program"_s});

    row("missing: port number", C::NoDevice, u"/dev/ttyS2"_s, 3, facts({}, false, {}, {}, false),
        {u"Port 3 names /dev/ttyS2, which does not exist.\n"_s, mapLine.arg(u"3=/dev/ttyUSB0"_s),
         u"No USB serial adapter is plugged in"_s});
    row("missing: adapters present", C::NoDevice, u"/dev/ttyS2"_s, 3,
        facts({}, false, {}, {u"/dev/ttyACM0"_s, u"/dev/ttyUSB1"_s}, false),
        {mapLine.arg(u"3=/dev/ttyACM0"_s),
         u"Serial adapters present: /dev/ttyACM0, /dev/ttyUSB1."_s});
    row("missing: no hardware behind the device", C::NoDevice, u"/dev/ttyS0"_s, 1,
        facts(u"dialout"_s, true), {u"Port 1 names /dev/ttyS0, which has no serial port"_s});
    row("missing: device named directly", C::NoDevice, u"/dev/ttyUSB3"_s, 0,
        facts({}, false, {}, {usb}, false),
        {u"Serial adapters present: /dev/ttyUSB0."_s, u"-Port"_s, u"-[Ports]"_s});
    PortAdvice::Facts local = facts({}, false, {}, {}, false);
    local.inCurrentFolder = u"./emu1"_s;
    row("missing: bare name of a file here", C::NoDevice, u"/dev/emu1"_s, 0, local,
        {u"To use the file in the current folder, write ./emu1."_s});
    row("missing: port number naming a file here", C::NoDevice, u"/dev/emu1"_s, 2, local,
        {u"Port 2 names /dev/emu1"_s, u"-./emu1"_s});
    row("other", C::Other, usb, 1, facts(u"dialout"_s, true), {});
}

void TestPortAdvice::text()
{
    QFETCH(PortAdvice::Cause, cause);
    QFETCH(QString, device);
    QFETCH(int, port);
    QFETCH(PortAdvice::Facts, facts);
    QFETCH(QStringList, fragments);
    const QString advice = PortAdvice::text({cause, device, port, kSettings}, facts);
    QVERIFY2(fragments.isEmpty() == advice.isEmpty(), qPrintable(advice));
    for (const QString& fragment : fragments) {
        const bool absent = fragment.startsWith(u'-');
        QVERIFY2(advice.contains(fragment.mid(absent ? 1 : 0)) != absent,
                 qPrintable(fragment + u" in: "_s + advice));
    }
}

// Root opens any device, so the refusal is given; the device's group is the system's.
void TestPortAdvice::permissionNamesTheDevicesGroup()
{
    const QTemporaryDir dir;
    const QString device = dir.filePath(u"ttyUSB0"_s);
    QVERIFY(velnor::test::put(device, {}));
    const group* serial = ::getuid() == 0 ? ::getgrnam("dialout") : ::getgrgid(::getegid());
    if (!serial)
        QSKIP("no group to give the device");
    const QString name = QString::fromLocal8Bit(serial->gr_name);
    QCOMPARE(::chown(QFile::encodeName(device).constData(), uid_t(-1), serial->gr_gid), 0);
    QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0660), 0);

    const QString advice =
        PortAdvice::text({PortAdvice::Cause::NotPermitted, device, 1, kSettings});
    QVERIFY2(advice.contains(u"sudo usermod -aG "_s + name + u" $USER"_s), qPrintable(advice));
    // Once the group may not use it either, joining the group would not help.
    QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0600), 0);
    const QString ownerOnly =
        PortAdvice::text({PortAdvice::Cause::NotPermitted, device, 1, kSettings});
    QVERIFY2(ownerOnly.startsWith(u"Only its owner, "_s), qPrintable(ownerOnly));
}

// A pseudo-terminal that a child process provides, as the emulator does, until destroyed.
struct ProvidedPty
{
    ProvidedPty()
    {
        int name[2];
        if (::pipe(name) != 0 || ::pipe(hold) != 0 || (pid = ::fork()) < 0)
            return;
        if (pid == 0) {
            ::close(hold[1]);
            const velnor::test::Pty pty;
            const QByteArray path = QFile::encodeName(pty.slavePath());
            ::write(name[1], path.constData(), size_t(path.size()));
            ::close(name[1]);
            ::read(hold[0], name, 1); // until the test closes its end
            ::_exit(0);
        }
        ::close(name[1]);
        char path[256] = {};
        ::read(name[0], path, sizeof path - 1);
        ::close(name[0]);
        slavePath = QFile::decodeName(path);
    }
    ~ProvidedPty()
    {
        ::close(hold[1]);
        ::waitpid(pid, nullptr, 0);
    }

    int hold[2] = {-1, -1};
    pid_t pid = -1;
    QString slavePath;
};

// A program that locks the device keeps the port out; the message names it with its process
// id, and only it: neither the program that provides the terminal nor this one is counted.
// Once this program holds the port, its configuration window is named as the holder.
void TestPortAdvice::portReportsItsHolder()
{
    const QTemporaryDir dir;
    const ProvidedPty pty;
    QVERIFY(pty.slavePath.startsWith(u"/dev/"_s));
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    QVERIFY(ini.write(u"Ports"_s, u"1"_s, pty.slavePath));

    // flock takes the lock and holds it while it runs cat, which has no descriptor on the
    // terminal, reports that it started and runs until its input ends.
    QProcess holder;
    holder.start(u"flock"_s, {u"--exclusive"_s, u"--close"_s, pty.slavePath, u"sh"_s, u"-c"_s,
                              u"echo locked; exec cat"_s});
    QVERIFY2(holder.waitForReadyRead(), qPrintable(holder.errorString()));
    QCOMPARE(holder.readLine(), "locked\n"_ba);

    velnor::QtSerialPort port(velnor::portMapOf(ini));
    QVERIFY(!port.setPortOpen(true));
    const QStringList lines = port.errorString().split(u'\n');
    QCOMPARE(lines.first(), pty.slavePath + u": "_s + qt_error_string(EBUSY));
    QCOMPARE(lines.value(1), u"%1 is in use by flock (process %2). Close that program and try "
                             u"again."_s.arg(pty.slavePath)
                                 .arg(holder.processId()));

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished());
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    velnor::QtSerialPort second(velnor::portMapOf(ini));
    QVERIFY(!second.setPortOpen(true));
    QVERIFY2(second.errorString().contains(u"held by this program's configuration window"_s),
             qPrintable(second.errorString()));
}

// A port number whose device is not there says which device that is, and where to map another.
void TestPortAdvice::portReportsAMissingDevice()
{
    const QTemporaryDir dir;
    const QString missing = dir.filePath(u"ttyGone"_s);
    const velnor::IniFile ini(dir.filePath(u"velnor.ini"_s));
    QVERIFY(ini.write(u"Ports"_s, u"4"_s, missing));
    velnor::QtSerialPort port(velnor::portMapOf(ini));
    port.setCommPort(4);
    QVERIFY(!port.setPortOpen(true));
    const QStringList lines = port.errorString().split(u'\n');
    QCOMPARE(lines.value(0), missing + u": "_s + qt_error_string(ENOENT));
    QCOMPARE(lines.value(1), u"Port 4 names %1, which does not exist."_s.arg(missing));
    QVERIFY2(lines.value(2).endsWith(u"in section [Ports] of %1."_s.arg(ini.path())),
             qPrintable(port.errorString()));
}

QTEST_GUILESS_MAIN(TestPortAdvice)
#include "tst_portadvice.moc"
