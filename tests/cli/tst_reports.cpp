#include "cli/PortsReport.h"
#include "cli/ScanReport.h"
#include "link/PortCatalog.h"
#include "link/ScanResult.h"

#include <QTest>

using namespace Qt::StringLiterals;
using velnor::Reply;
using velnor::ScanResult;
using velnor::cli::ExitStatus;

// What velnor-cli prints of a search of the line and of the ports.
class TestCliReports final : public QObject
{
    Q_OBJECT

private slots:
    void report();
    void portsText();
};

// 101 answers at 9600; 117 is stored at 4800, so it reads as noise at 9600; 110 holds two
// modules; 132 answers at both speeds (two modules, one at each). One speed is seen end to end.
static ScanResult searched()
{
    ScanResult result;
    for (int baud : {9600, 4800}) {
        for (int address = 101; address <= 132; ++address)
            result.record(baud, quint8(address), Reply::Silent);
        result.record(baud, 110, Reply::Garbled);
        result.record(baud, 132, Reply::Answered);
    }
    result.record(9600, 101, Reply::Answered);
    result.record(9600, 117, Reply::Garbled);
    result.record(4800, 117, Reply::Answered);
    return result;
}

void TestCliReports::report()
{
    const ScanResult result = searched();
    QCOMPARE(velnor::cli::scanText(result), u"101 9600\n117 4800\n132 9600 4800\n"_s);
    const QString silent = u"102,103,104,105,106,107,108,109,111,112,113,114,115,116,118,119,"
                           u"120,121,122,123,124,125,126,127,128,129,130,131"_s;
    QCOMPARE(velnor::cli::scanJson(result),
             uR"({"answering":[101,117,132],"garbled":[110],"silent":[%1],"speeds":[{"answering":)"
             uR"([101,132],"baud":9600,"garbled":[110,117]},{"answering":[117,132],"baud":4800,)"
             uR"("garbled":[110]}]})"_s.arg(silent) +
                 u'\n');
    QCOMPARE(velnor::cli::scanStatus(result), ExitStatus::Ok);
    QCOMPARE(velnor::cli::scanStatus(ScanResult()), ExitStatus::NoAnswer);
}

void TestCliReports::portsText()
{
    velnor::PortDevice adapter;
    adapter.device = u"/dev/ttyUSB0"_s;
    adapter.description = u"Bridge"_s;
    adapter.byId = u"/dev/serial/by-id/usb-Bridge-if00"_s;
    velnor::PortDevice serial;
    serial.device = u"/dev/ttyS4"_s;
    const velnor::PortCatalog catalog(
        {adapter, serial}, {{12, u"/dev/ttyUSB0"_s}, {14, u"/dev/ttyUSB0"_s}}, u"/nonexistent"_s);
    // Port 5 reaches /dev/ttyS4 through the platform's own naming; a by-id name comes last.
    QCOMPARE(velnor::cli::portsText(catalog),
             u"5      /dev/ttyS4    serial port\n"
             u"12,14  /dev/ttyUSB0  Bridge       /dev/serial/by-id/usb-Bridge-if00\n"_s);
}

QTEST_GUILESS_MAIN(TestCliReports)
#include "tst_reports.moc"
