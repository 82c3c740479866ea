#include "settings/IniFile.h"

#include <QDeadlineTimer>
#include <QFile>
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
    void headlessLogsFramesAndAnswers();
};

namespace {

// The next line on the program's standard output, waiting 5 s at most.
QByteArray nextLine(QProcess& process)
{
    const QDeadlineTimer deadline(5000);
    while (!process.canReadLine() && !deadline.hasExpired() &&
           process.state() == QProcess::Running)
        process.waitForReadyRead(int(deadline.remainingTime()));
    return process.readLine().trimmed();
}

} // namespace

void TestProgram::headlessLogsFramesAndAnswers()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(u"velnor.ini"_s);
    const QString link = dir.filePath(u"device"_s);
    QProcess process;
    process.start(QStringLiteral(VELNOR_EMULATOR_PROGRAM),
                  {u"--headless"_s, u"--inputs"_s, u"102=0x5A"_s, u"--ini"_s, ini, u"--port"_s,
                   u"3"_s, u"--link"_s, link, u"--store"_s, dir.filePath(u"store.json"_s)});
    QVERIFY(process.waitForStarted());

    const QByteArray device = nextLine(process);
    QVERIFY2(device.startsWith("device /dev/"), device.constData());
    QCOMPARE(nextLine(process), "link " + QFile::encodeName(link));
    QCOMPARE(IniFile(ini).ReadIni(u"Ports"_s, u"3"_s), link);
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    QCOMPARE(nextLine(process), "# opened");
    QCOMPARE(::write(fd, "\xEF\x66\xFE\x0E", 4), ssize_t(4));
    QCOMPARE(nextLine(process), "> EF 66 FE 0E");
    QCOMPARE(nextLine(process), "< EE 66 EE 66 0A 05");

    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestProgram)
#include "tst_program.moc"
