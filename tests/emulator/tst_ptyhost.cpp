#include "emulator/Line.h"
#include "emulator/PtyHost.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace velnor {

// The line carried over a real pseudo-terminal, opened from the other side as the panel would.
class TestPtyHost : public QObject
{
    Q_OBJECT

private slots:
    void answersOverTheTerminal();
};

void TestPtyHost::answersOverTheTerminal()
{
    PtyHost host({101, 102});
    // Inputs that answer 0D 0A, which a terminal left in its usual mode would change.
    host.line().setInputs(1, 0xAD);
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));
    const int fd =
        ::open(QFile::encodeName(host.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    QTRY_VERIFY(host.peerOpen());
    QByteArray received;
    const auto receive = [&] {
        char buffer[64];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            received.append(buffer, n);
        return received.toHex(' ').toUpper();
    };

    QCOMPARE(::write(fd, "\xEF\x66\xFE\x0E", 4), ssize_t(4));
    QTRY_COMPARE(receive(), QByteArray("EE 66 EE 66 0D 0A"));
    // A lone deselect is answered once its window has closed, with nothing more arriving.
    QCOMPARE(::write(fd, "\xEA", 1), ssize_t(1));
    QTRY_COMPARE(receive(), QByteArray("EE 66 EE 66 0D 0A EE 66"));
}

} // namespace velnor

QTEST_GUILESS_MAIN(velnor::TestPtyHost)
#include "tst_ptyhost.moc"
