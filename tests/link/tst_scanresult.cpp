#include "link/ScanResult.h"

#include <QTest>

using namespace Qt::StringLiterals;
using velnor::Reply;

// What a search of the line tells of each address that brought bytes back. How the bytes are
// judged is the module scan's test.
class TestScanResult final : public QObject
{
    Q_OBJECT

private slots:
    void heardReplies()
    {
        // 110 holds two modules; 117 is stored at 4800 and reads as noise at 9600.
        velnor::ScanResult result;
        result.record(9600, 117, Reply::Garbled);
        result.record(9600, 110, Reply::Garbled);
        result.record(9600, 101, Reply::Silent);
        result.record(4800, 117, Reply::Answered);
        const auto heard = [](int baud, quint8 address) {
            if (address == 110)
                return "\xEE\x6E\xEE\x6E"_ba;
            return baud == 9600 ? "\xF0\x0F"_ba : "\xEE\x75"_ba;
        };
        QStringList seen;
        for (const velnor::HeardReply& reply : velnor::heardReplies(result, heard))
            seen << u"%1 %2 %3 %4: %5"_s.arg(reply.baud)
                        .arg(reply.address)
                        .arg(int(reply.reply))
                        .arg(reply.bytes, reply.cause);
        QCOMPARE(seen, QStringList({
                           u"9600 110 2 EE 6E EE 6E: two modules on this address, or one at "
                           u"another speed"_s,
                           u"9600 117 2 F0 0F: a module here answers at 4800"_s,
                           u"4800 117 1 EE 75: "_s,
                       }));
    }
};

QTEST_GUILESS_MAIN(TestScanResult)
#include "tst_scanresult.moc"
