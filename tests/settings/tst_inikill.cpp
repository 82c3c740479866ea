#include "settings/IniFile.h"

#include "Files.h"
#include "Processes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <optional>

using namespace Qt::StringLiterals;
using velnor::test::contents;
using velnor::test::put;

// The settings writer killed at random moments: the file is always the old one or the new one
// whole. (Written in place, in a read-only folder, a write cut short must leave the file as it
// was; tst_inifile's failedWrite holds that.)
class TestIniKill final : public QObject
{
    Q_OBJECT

private slots:
    void kills();
};

namespace {

constexpr int kKills = 1000;
constexpr quint32 kSeed = 20240611;
constexpr int kAnswerTimeoutMs = 10000;

const QByteArray kHead = "; velnor\r\n[Settings]\r\nCommPort=1\r\nSetting=9600,n,8,1\r\n"
                         "[LCD]\r\nUID=101\r\nLine1="_ba;
const QByteArray kTail = "\r\nBaud=9600\r\n"_ba;
const QByteArray kShortValue = "Hello"_ba;
const QByteArray kLongValue = "Velnor  Panel   ready"_ba;
const QByteArray kShort = kHead + kShortValue + kTail;
const QByteArray kLong = kHead + kLongValue + kTail;

// The running settings_writer. It ends with the test, and first the writer process it has
// running, if any (one a failed check left writing), so that the settings_writer still reaps it.
struct Writer
{
    explicit Writer(const QStringList& args)
    {
        process.start(QStringLiteral(VELNOR_SETTINGS_WRITER), args);
    }
    ~Writer()
    {
        if (running > 0)
            ::kill(running, SIGKILL);
        process.closeWriteChannel();
        process.waitForFinished();
    }

    bool send(int count)
    {
        return process.write(QByteArray::number(count) + '\n') > 0 &&
               process.waitForBytesWritten(kAnswerTimeoutMs);
    }

    // The number after word on the writer's next line; nullopt when the line does not come
    // within the deadline or is not that.
    std::optional<int> answer(const char* word)
    {
        const QList<QByteArray> parts =
            velnor::test::nextLine(process, kAnswerTimeoutMs).split(' ');
        bool ok = false;
        const int number = parts.value(1).toInt(&ok);
        if (parts.size() != 2 || parts[0] != word || !ok)
            return std::nullopt;
        return number;
    }

    QProcess process;
    pid_t running = -1;
};

} // namespace

void TestIniKill::kills()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"velnor.ini"_s);
    QVERIFY(put(path, kShort));
    Writer writer({path, QString::fromLatin1(kLongValue), QString::fromLatin1(kShortValue)});
    QVERIFY2(writer.process.waitForStarted(), qPrintable(writer.process.errorString()));

    // One run to its end: how long a write takes here.
    constexpr int kTimed = 20;
    QElapsedTimer clock;
    QVERIFY(writer.send(kTimed));
    QVERIFY(writer.answer("begin"));
    clock.start();
    QCOMPARE(writer.answer("end"), 0);
    const qint64 writeNs = clock.nsecsElapsed() / kTimed;

    const QList<QByteArray> survivors{kShort, kLong};
    // Each kill left the file as the run found it, or as its first change made it.
    int unchanged = 0;
    int changed = 0;
    QByteArray was = kShort;
    QRandomGenerator random(kSeed);
    int round = 0;
    // A loaded machine can put every kill on one side of the first change: then more rounds,
    // their moments spread further out (or drawn closer in), until both outcomes were seen.
    for (; round < kKills || ((unchanged == 0 || changed == 0) && round < 4 * kKills); ++round) {
        QVERIFY(writer.send(0));
        const std::optional<int> pid = writer.answer("begin");
        QVERIFY(pid);
        writer.running = *pid;
        // Anywhere in its first write or just after it.
        const int stretch = round < kKills ? 0 : std::min(8, (round - kKills) / 100 + 1);
        quint64 span = quint64(writeNs * 5 / 4);
        span = changed == 0 ? span << stretch : std::max<quint64>(1, span >> stretch);
        const qint64 at = clock.nsecsElapsed() + qint64(random.bounded(span));
        while (clock.nsecsElapsed() < at) {
        }
        QCOMPARE(::kill(*pid, SIGKILL), 0);
        const std::optional<int> status = writer.answer("end");
        writer.running = -1;
        QVERIFY2(status && WIFSIGNALED(*status), "the writer failed a write before it was killed");

        const QByteArray now = contents(path);
        const qsizetype which = survivors.indexOf(now);
        QVERIFY2(which >= 0, qPrintable(u"kill %1 left %2 bytes: %3"_s.arg(round)
                                            .arg(now.size())
                                            .arg(QString::fromLatin1(now.toPercentEncoding()))));
        unchanged += now == was;
        changed += now != was;
        was = now;
    }
    qInfo("%d kills, a write taking %lld us (seed %u): old file %d, new file %d", round,
          writeNs / 1000, kSeed, unchanged, changed);
    // Kills that all fell before the first change, or all after it, would prove nothing.
    QVERIFY(unchanged > 0 && changed > 0);
}

QTEST_GUILESS_MAIN(TestIniKill)
#include "tst_inikill.moc"
