#include "LineScript.h"

#include "settings/IniFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace velnor {

// The velnor-emulator program run headless, as scripts and CI run it.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void headlessServesTheLineAndLogsIt();
    void refusesBadOptions_data();
    void refusesBadOptions();

private:
    // Waits for the next line on the program's standard output.
    QByteArray nextLine(QProcess& process);
};

QByteArray TestProgram::nextLine(QProcess& process)
{
    const QDeadlineTimer deadline(5000);
    while (!process.canReadLine() && !deadline.hasExpired() &&
           process.state() == QProcess::Running)
        process.waitForReadyRead(int(deadline.remainingTime()));
    return process.readLine().trimmed();
}

void TestProgram::headlessServesTheLineAndLogsIt()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(u"device"_s);
    const QString ini = dir.filePath(u"velnor.ini"_s);
    QProcess process;
    process.start(QStringLiteral(VELNOR_EMULATOR_PROGRAM),
                  {u"--headless"_s, u"--addresses"_s, u"101,102,101"_s, u"--inputs"_s,
                   u"102=0x5A"_s, u"--store"_s, dir.filePath(u"line.json"_s), u"--link"_s, link,
                   u"--ini"_s, ini, u"--port"_s, u"3"_s, u"--select-port"_s});
    QVERIFY(process.waitForStarted());

    const QByteArray device = nextLine(process);
    QVERIFY2(device.startsWith("device /dev/"), device.constData());
    QCOMPARE(nextLine(process), "link " + QFile::encodeName(link));
    QCOMPARE(QFileInfo(link).symLinkTarget().toUtf8(), device.mid(7));
    const IniFile settings(ini);
    QCOMPARE(settings.ReadIni(u"Ports"_s, u"3"_s), link);
    QCOMPARE(settings.ReadIni(u"Settings"_s, u"CommPort"_s), u"3"_s);

    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    QCOMPARE(nextLine(process), "# opened");
    const QByteArray frame = scriptBytes(u"EF 66 FE 0E"_s);
    QCOMPARE(::write(fd, frame.constData(), size_t(frame.size())), ssize_t(frame.size()));
    QCOMPARE(nextLine(process), "> EF 66 FE 0E");
    QCOMPARE(nextLine(process), "< EE 66 EE 66 0A 05");
    QByteArray received;
    char buffer[64];
    QTRY_VERIFY(
        (received += QByteArray(buffer, qMax<ssize_t>(0, ::read(fd, buffer, 64)))).size() >= 6);
    QCOMPARE(hexText(received), u"EE 66 EE 66 0A 05"_s);

    // The two modules at 101 answer together.
    QCOMPARE(::write(fd, "\xEF\x65", 2), ssize_t(2));
    QCOMPARE(nextLine(process), "> EF 65");
    QVERIFY(nextLine(process).startsWith("! conflict 101: "));
    QVERIFY(nextLine(process).startsWith("< "));

    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(process.readAllStandardError().isEmpty());
}

void TestProgram::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");

    QTest::newRow("address 100") << QStringList{u"--addresses"_s, u"101,100"_s} << u"100"_s;
    QTest::newRow("no address") << QStringList{u"--addresses"_s, u","_s} << u"no module"_s;
    QTest::newRow("inputs of an absent module")
        << QStringList{u"--inputs"_s, u"105=1"_s} << u"105=1"_s;
    QTest::newRow("inputs too large") << QStringList{u"--inputs"_s, u"101=0x100"_s} << u"0x100"_s;
    QTest::newRow("ini without port") << QStringList{u"--ini"_s, u"x.ini"_s} << u"--port"_s;
    QTest::newRow("port 21") << QStringList{u"--ini"_s, u"x.ini"_s, u"--port"_s, u"21"_s}
                             << u"21"_s;
    QTest::newRow("select-port alone") << QStringList{u"--select-port"_s} << u"--ini"_s;
    QTest::newRow("unknown option") << QStringList{u"--colour"_s} << u"colour"_s;
    QTest::newRow("stray argument") << QStringList{u"101"_s} << u"101"_s;
}

void TestProgram::refusesBadOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);

    QProcess process;
    process.start(QStringLiteral(VELNOR_EMULATOR_PROGRAM), arguments << u"--headless"_s);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 2);
    const QString error = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(error.contains(complaint), qPrintable(error));
    QVERIFY(process.readAllStandardOutput().isEmpty());
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestProgram)
#include "tst_program.moc"
