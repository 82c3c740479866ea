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

// The emulator's headless log, decoding, over a real pseudo-terminal and written into a pipe;
// each line keeps its bytes as the lines without decoding show them.
class tst_HeadlessLog final : public QObject
{
    Q_OBJECT

private slots:
    void decodedLinesKeepTheirBytes()
    {
        PtyHost host({102});
        host.line().setInputs(0, 0x5A);
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

        QList<QByteArray> seen;
        QByteArray partial;
        const auto frameLines = [&] {
            for (const QByteArray& line : readLines(pipeFds[0], partial)) {
                if (!line.startsWith('#'))
                    seen.append(line);
            }
            return seen.size();
        };
        QCOMPARE(::write(fd, "\xEF\x66\xFE\x0E", 4), ssize_t(4));
        QTRY_COMPARE(frameLines(), 2);
        QCOMPARE(::write(fd, "\x0DHi", 3), ssize_t(3));
        QTRY_COMPARE(frameLines(), 3);
        QCOMPARE(::write(fd, "\xFE\x0B", 2), ssize_t(2));
        QTRY_COMPARE(frameLines(), 4);
        const QList<QByteArray> lines{
            "> EF 66 FE 0E  select 102; read inputs",
            "< EE 66 EE 66 0A 05  acknowledge from 102; inputs of 102: 0 1 0 1 1 0 1 0",
            "> 0D 48 69  text 'Hi'", "> FE 0B  backlight flash"};
        QCOMPARE(seen, lines);
    }
};

QTEST_GUILESS_MAIN(tst_HeadlessLog)
#include "tst_headlesslog.moc"
