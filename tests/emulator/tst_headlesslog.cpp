#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "emulator/program/HeadlessLog.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace velnor;

namespace {

// Reads what the log wrote so far, line by line.
QList<QByteArray> readLines(int fd, QByteArray& partial)
{
    char buffer[512];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        partial.append(buffer, n);
    QList<QByteArray> lines = partial.split('\n');
    partial = lines.takeLast();
    return lines;
}

} // namespace

// The emulator's headless log, decoding, over a real pseudo-terminal and written into a pipe:
// each line keeps its bytes as the lines without decoding show them, and answers are read as
// the answers to the frames they belong to.
class tst_HeadlessLog final : public QObject
{
    Q_OBJECT

private slots:
    void answersGoWithTheirFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("select and read inputs")
            << QByteArray("\xEF\x66\xFE\x0E")
            << QByteArrayList{"> EF 66 FE 0E  select 102; read inputs",
                              "< EE 66 EE 66 0A 05  acknowledge from 102; inputs of 102: "
                              "0 1 0 1 1 0 1 0"};
        QTest::newRow("absent module in the same write")
            << QByteArray("\xEF\x67\xEF\x65\xFE\x0E")
            << QByteArrayList{"> EF 67 EF 65 FE 0E  select 103; select 101; read inputs",
                              "< EE 65 EE 65 0F 0F  acknowledge from 101; inputs of 101: "
                              "1 1 1 1 1 1 1 1"};
        QTest::newRow("inputs read with nobody selected")
            << QByteArray("\xFE\x0E\xEF\x65")
            << QByteArrayList{"> FE 0E EF 65  read inputs; select 101",
                              "< EE 65  acknowledge from 101"};
    }

    void answersGoWithTheirFrames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArrayList, lines);
        PtyHost host({101, 102});
        host.line().setInputs(1, 0x5A);
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        int pipeFds[2];
        QCOMPARE(::pipe2(pipeFds, O_NONBLOCK), 0);
        const auto closePipe = qScopeGuard([&] {
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
        });
        const HeadlessLog log(host, pipeFds[1], true);
        const int fd = ::open(QFile::encodeName(host.slavePath()).constData(),
                              O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        QTRY_VERIFY(host.peerOpen());

        QByteArrayList seen;
        QByteArray partial;
        const auto frameLines = [&] {
            for (const QByteArray& line : readLines(pipeFds[0], partial)) {
                if (!line.startsWith('#'))
                    seen.append(line);
            }
            return seen.size();
        };
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        QTRY_COMPARE(frameLines(), lines.size());
        QCOMPARE(seen, lines);
    }
};

QTEST_GUILESS_MAIN(tst_HeadlessLog)
#include "tst_headlesslog.moc"
