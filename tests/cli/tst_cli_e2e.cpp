#include "cli/Cli.h"
#include "emulator/Line.h"
#include "link/QtSerialPort.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "settings/ModuleSetupFile.h"
#include "protocol/UploadPlan.h"

#include "EmulatedLine.h"
#include "Files.h"
#include "LcdSection.h"
#include "ModuleState.h"
#include "Processes.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::moduleState;

namespace {

// The opening of every upload, as the configuration window sends it: every module selected,
// displays cleared, "Config. Mode" shown. The 314 bytes of the setup and its waits follow.
const QByteArray kUploadOpening = "\xEF\x64\x0D"
                                  "Config. Mode"_ba;
constexpr qsizetype kUploadSize = 15 + 314;
const QByteArray kStore = "\xEF\x64\xFE\x20"_ba;

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

// The emulated line with velnor-cli pointed at it by the settings file.
struct Bench : test::EmulatedLine
{
    using EmulatedLine::EmulatedLine;

    QStringList withSettings(const QStringList& arguments) const
    {
        return QStringList{u"--settings"_s, settings.path()} + arguments;
    }

    Result runInProcess(const QStringList& arguments) const
    {
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        result.status = cli::run(withSettings(arguments), out, err);
        return result;
    }

    // A file holding a full "LCD" section with the changes.
    QString setupFile(const QString& name, const test::IniKeys& changes = {}) const
    {
        const QString path = dir.filePath(name);
        if (!test::put(path, test::lcdSection(test::lcdKeys(changes))))
            qWarning("cannot write %s", qPrintable(path));
        return path;
    }
};

QStringList linesStartingWith(const QString& text, const QString& prefix)
{
    QStringList found;
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(prefix))
            found.append(line.mid(prefix.size()).section(u"  "_s, 0, 0)); // the bytes alone
    }
    return found;
}

// What can go wrong on the line while the program runs.
enum class Trouble {
    None,
    ModuleFallsSilent,
    PortHeldElsewhere,
    OutputLost,
    OutputClosed,
    // The output goes to `head -n 1`, which ends after the first line.
    ReaderGone
};

} // namespace

class tst_CliE2e final : public QObject
{
    Q_OBJECT

private slots:
    void aCommandLineWorksTheModuleAsThePanelsButtonsWould();
    void anUploadFromAFileSetsUpEveryModule();
    void theProgramsExitStatus_data();
    void theProgramsExitStatus();
    void portsListsTheLineWhileAnotherProgramHoldsIt();
    void anEmptySpeedSettingMeans4800AsInThePanel();
    void aSignalEndsTheRunAndLeavesTheLineUsable_data();
    void aSignalEndsTheRunAndLeavesTheLineUsable();
    void aSignalEndsTheWaitForTheSettingsLock();
    void scanFindsTheModulesAndLeavesNoneSelected_data();
    void scanFindsTheModulesAndLeavesNoneSelected();
    void watchPrintsTheFirstAnswerAndEachChange_data();
    void watchPrintsTheFirstAnswerAndEachChange();
    void commissionGivesTheOneModuleItsAddress_data();
    void commissionGivesTheOneModuleItsAddress();
};

void tst_CliE2e::aCommandLineWorksTheModuleAsThePanelsButtonsWould()
{
    Bench bench;
    QVERIFY(bench.started);
    bench.host.line().setInputs(0, 0x5A);

    const auto untouched = moduleState(bench.module(1));
    const Result result = bench.runInProcess(
        u"--json monitor select 101 text AB CD cursor 1 15 char 3 cursor hide backlight flash "
        u"outputs off output 2 on output 8 on inputs deselect ports"_s.split(u' '));
    QVERIFY2(result.status == 0, qPrintable(result.err));

    // The monitor: each frame on a line of its own, as the line carried them, then every byte
    // that came back.
    const QStringList sent = {
        u"EF 65"_s, u"0D 41 42 0C 43 44"_s, u"FE 32 01 0F"_s, u"02"_s,    u"FE 03"_s, u"FE 0B"_s,
        u"FE 0D"_s, u"FE 33 01 48"_s,       u"FE 33 07 48"_s, u"FE 0E"_s, u"EA"_s};
    QCOMPARE(linesStartingWith(result.out, u"> "_s), sent);
    QTRY_COMPARE(bench.heard, QByteArray::fromHex(sent.join(u' ').toLatin1()));
    QCOMPARE(linesStartingWith(result.out, u"< "_s).join(u' '), u"EE 65 EE 65 0A 05 EE 65"_s);
    // Each line goes on with what its bytes mean.
    for (const QString& line : {u"> FE 0E  read inputs"_s, u"> EA  deselect"_s,
                                u"< EE 65 0A 05  inputs of 101: 0 1 0 1 1 0 1 0"_s})
        QVERIFY2(result.out.split(u'\n').contains(line), qPrintable(line));

    const QString shown =
        u"rows=AB|CD             {02};look=hidden;light=flashing;outputs=82;selected=--"_s;
    QCOMPARE(moduleState(bench.module(0), shown), shown);
    // The other module on the line heard none of it.
    QCOMPARE(moduleState(bench.module(1)), untouched);
    QVERIFY2(result.out.contains(u"{\"address\":101,\"inputs\":{\"1\":false,\"2\":true,"
                                 u"\"3\":false,\"4\":true,\"5\":true,\"6\":false,\"7\":true,"
                                 u"\"8\":false}}\n"_s),
             qPrintable(result.out));
    // ports, on the open port after the others, finds the line at port 4 of the settings.
    QVERIFY2(result.out.contains(u"\"ports\":[4],\"present\":true"_s), qPrintable(result.out));
}

void tst_CliE2e::anUploadFromAFileSetsUpEveryModule()
{
    Bench bench;
    QVERIFY(bench.started);
    const QString file = bench.setupFile(u"setup.ini"_s, {{u"Baud"_s, u"4800"_s},
                                                          {u"Custom2"_s, u"2.5"_s},
                                                          {u"Custom3"_s, u"0012"_s},
                                                          {u"Custom4"_s, u"2.55E2"_s},
                                                          {u"Custom64"_s, u"255"_s}});

    const Result result = bench.runInProcess({u"upload"_s, file, u"save"_s});
    QVERIFY2(result.status == 0, qPrintable(result.err));
    QTRY_COMPARE(bench.heard.size(), kUploadSize + kStore.size());
    QVERIFY(bench.heard.startsWith(kUploadOpening));
    QVERIFY(bench.heard.endsWith(kStore));

    ModuleConfig expected;
    expected.address = 107;
    expected.baud = 4800;
    expected.startupScreen = "Velnor bench    Line two        ";
    for (int n = 1; n <= ModuleConfig::BitmapSize; ++n)
        expected.bitmaps.append(char(n % 32));
    expected.bitmaps[1] = 2; // 2.5 goes to the even neighbour
    expected.bitmaps[2] = 12;
    expected.bitmaps[3] = char(255);
    expected.bitmaps[63] = char(255);
    for (int k = 1; k <= ModuleConfig::TextCount; ++k)
        expected.texts.append("Text " + QByteArray::number(k).leftJustified(11));
    for (int m = 0; m < 2; ++m) {
        QCOMPARE(bench.module(m).working(), expected);
        QCOMPARE(bench.module(m).stored(), expected);
    }
    // The settings file keeps a copy of what was stored: texts filled out as they were sent,
    // bitmap values as the bytes.
    const ModuleSetup kept = loadModuleSetup(bench.settings);
    QCOMPARE(kept.uid, u"107"_s);
    QCOMPARE(kept.at9600, false);
    QCOMPARE(kept.line1, u"Velnor bench    "_s);
    QCOMPARE(kept.texts[9], u"Text 10         "_s);
    QCOMPARE(QStringList(kept.bitmaps.begin(), kept.bitmaps.begin() + 4),
             QStringList({u"1"_s, u"2"_s, u"12"_s, u"255"_s}));
}

void tst_CliE2e::theProgramsExitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Trouble>("trouble");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    // How many bytes reached the line, and how they end.
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<QByteArray>("wireEnd");

    const auto row = [](const char* name, const QString& arguments, Trouble trouble, int status,
                        const QString& out, const QString& err, const QByteArray& wire) {
        QTest::newRow(name) << arguments.split(u' ') << trouble << status << out << err
                            << wire.size() << wire;
    };
    row("answered", u"--json select 102 inputs"_s, Trouble::None, 0,
        u"{\"address\":102,\"inputs\":{\"1\":true,\"2\":true,\"3\":true,\"4\":true,\"5\":true,"
        u"\"6\":true,\"7\":true,\"8\":true}}\n"_s,
        QString(), "\xEF\x66\xFE\x0E"_ba);
    row("absent module", u"select 105 backlight on"_s, Trouble::None, 4, QString(),
        u"velnor-cli: select 105: Device Not Found\n"_s, "\xEF\x69"_ba);
    row("module falls silent", u"select 101 inputs serial"_s, Trouble::ModuleFallsSilent, 4,
        QString(), u"velnor-cli: inputs: No Response\n"_s, "\xEF\x65\xFE\x0E"_ba);
    // The select's acknowledgement does not answer for the deselect.
    row("deselect unanswered", u"select 101 deselect"_s, Trouble::ModuleFallsSilent, 4, QString(),
        u"velnor-cli: deselect: No Response\n"_s, "\xEF\x65\xEA"_ba);
    row("watch meets silence", u"select 101 watch"_s, Trouble::ModuleFallsSilent, 4, QString(),
        u"velnor-cli: watch: No Response\n"_s, "\xEF\x65\xFE\x0E"_ba);
    row("no such port", u"--device /nonexistent/tty select 101"_s, Trouble::None, 3, QString(),
        u"velnor-cli: SELECTED PORT NOT AVAILABLE! (/nonexistent/tty: No such file or "
        u"directory)\n"_s,
        QByteArray());
    row("device by a bare name", u"--device line select 101"_s, Trouble::None, 3, QString(),
        u"(/dev/line: No such file or directory)\nTo use the file in the current folder, write "
        u"./line.\n"_s,
        QByteArray());
    row("port held by another program", u"select 101"_s, Trouble::PortHeldElsewhere, 3, QString(),
        u"is in use by tst_cli_e2e (process "_s, QByteArray());
    row("wrong argument", u"select 101 backlight dim"_s, Trouble::None, 2, QString(),
        u"velnor-cli: backlight: expected on, off or flash, not \"dim\"\n"
        u"Try 'velnor-cli --help'.\n"_s,
        QByteArray());
    row("upload refused", u"select 101 upload $REFUSED"_s, Trouble::None, 5, QString(),
        u"Please Enter Numeric Value 0 to 255 in the bitmap field\n"_s, QByteArray());
    row("commission without an address", u"commission $FILE"_s, Trouble::None, 2, QString(),
        u"commission: give the station file and --address ADDR\n"_s, QByteArray());
    row("commission refused", u"commission $REFUSED --address 103"_s, Trouble::None, 5, QString(),
        u"refused.ini: key Custom64 (\"256\""_s, QByteArray());
    row("upload file too large", u"upload $BIG select 101"_s, Trouble::None, 2, QString(),
        u"big.ini: File too large"_s, QByteArray());
    row("device by a relative path", u"--device ./line select 101"_s, Trouble::None, 0, QString(),
        QString(), "\xEF\x65"_ba);
    row("result lost", u"select 102 inputs"_s, Trouble::OutputLost, 7, QString(),
        u"the result could not be written to standard output\n"_s, "\xEF\x66\xFE\x0E"_ba);
    row("result into a closed output", u"select 102 inputs"_s, Trouble::OutputClosed, 7, QString(),
        u"the result could not be written to standard output\n"_s, "\xEF\x66\xFE\x0E"_ba);
    row("watch into a full disk", u"select 101 watch"_s, Trouble::OutputLost, 7, QString(),
        u"velnor-cli: watch: the result could not be written to standard output\n"_s,
        "\xEF\x65\xFE\x0E"_ba);
    row("watch whose reader has gone", u"select 101 watch --interval 200"_s, Trouble::ReaderGone,
        7, QString(),
        u"velnor-cli: watch --interval 200: the result could not be written to standard output\n"_s,
        "\xFE\x0E"_ba);
    row("settings file unreadable", u"--settings $FIFO --device $LINE upload $FILE save"_s,
        Trouble::None, 2, QString(),
        u"Not a regular file (the settings file cannot be read; nothing was sent)"_s,
        QByteArray());
}

void tst_CliE2e::theProgramsExitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(Trouble, trouble);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(qsizetype, size);
    QFETCH(QByteArray, wireEnd);

    Bench bench;
    QVERIFY(bench.started);
    // A module that answers once and then never again.
    if (trouble == Trouble::ModuleFallsSilent) {
        QObject::connect(&bench.host, &PtyHost::answered, &bench.host,
                         [&bench] { bench.host.line().setSilent(true); });
    }
    QtSerialPort other(portMapOf(bench.settings));
    if (trouble == Trouble::PortHeldElsewhere) {
        other.setDevice(bench.host.devicePath());
        QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));
    }
    const QString fifo = bench.dir.filePath(u"fifo.ini"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    arguments.replaceInStrings(u"$FILE"_s, bench.setupFile(u"setup.ini"_s));
    // A bitmap value that no byte holds.
    arguments.replaceInStrings(u"$REFUSED"_s,
                               bench.setupFile(u"refused.ini"_s, {{u"Custom64"_s, u"256"_s}}));
    arguments.replaceInStrings(u"$FIFO"_s, fifo);
    // Sparse: it takes no room on the disk.
    QFile big(bench.dir.filePath(u"big.ini"_s));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(65 * 1024 * 1024));
    big.close();
    arguments.replaceInStrings(u"$BIG"_s, big.fileName());
    arguments.replaceInStrings(u"$LINE"_s, bench.host.devicePath());

    QProcess program;
    program.setWorkingDirectory(bench.dir.path());
    if (trouble == Trouble::OutputLost)
        program.setStandardOutputFile(u"/dev/full"_s);
    if (trouble == Trouble::OutputClosed)
        program.setChildProcessModifier([] { ::close(STDOUT_FILENO); });
    QProcess head;
    if (trouble == Trouble::ReaderGone) {
        program.setStandardOutputProcess(&head);
        head.start(u"head"_s, {u"-n"_s, u"1"_s});
    }
    QSignalSpy finished(&program, &QProcess::finished);
    // Later --settings win, so a row can name its own.
    program.start(QStringLiteral(VELNOR_CLI_PROGRAM), bench.withSettings(arguments));
    // The emulator answers from this process's event loop while the program runs.
    QVERIFY(finished.wait(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    const QString errText = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(errText.contains(err), qPrintable(errText));
    QVERIFY2(err.isEmpty() == errText.isEmpty(), qPrintable(errText));
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), out);
    QCOMPARE(program.exitCode(), status);

    // Everything the program sent is on the line once a marker sent after it has arrived.
    other.setPortOpen(false);
    bench.host.line().setSilent(false);
    const QByteArray marker = "\xFE\x09"_ba;
    QVERIFY(bench.runInProcess({u"serial"_s}).status == 0);
    QTRY_VERIFY(bench.heard.endsWith(marker));
    const QByteArray wire = bench.heard.chopped(marker.size());
    // A watch reads until it finds its reader gone, as often as that takes.
    if (trouble != Trouble::ReaderGone)
        QCOMPARE(wire.size(), size);
    QVERIFY(wire.endsWith(wireEnd));
}

void tst_CliE2e::portsListsTheLineWhileAnotherProgramHoldsIt()
{
    Bench bench;
    QVERIFY(bench.started);
    QtSerialPort panel(portMapOf(bench.settings));
    panel.setDevice(bench.host.devicePath());
    QVERIFY2(panel.setPortOpen(true), qPrintable(panel.errorString()));

    QProcess program;
    program.start(QStringLiteral(VELNOR_CLI_PROGRAM),
                  bench.withSettings({u"ports"_s, u"--json"_s}));
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), QString());
    QCOMPARE(program.exitCode(), 0);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    // The line's device at port 4, as the settings map it; the text form is the same catalog.
    const QString device = QFileInfo(bench.host.devicePath()).canonicalFilePath();
    QVERIFY2(
        out.contains(QRegularExpression(uR"("device":")"_s + QRegularExpression::escape(device) +
                                        uR"(",[^}]*"ports":\[4\])"_s)),
        qPrintable(out));
}

void tst_CliE2e::anEmptySpeedSettingMeans4800AsInThePanel()
{
    Bench bench;
    QVERIFY(bench.started);
    bench.settings.write(u"Settings"_s, u"Setting"_s, QString());
    // The modules listen at 9600 and hear a 4800 line as garbage (which may then swallow
    // what follows, so the 9600 run goes first).
    QCOMPARE(bench.runInProcess({u"--speed"_s, u"9600"_s, u"select"_s, u"101"_s}).status, 0);
    QCOMPARE(bench.runInProcess({u"select"_s, u"101"_s}).status, 4);
}

void tst_CliE2e::aSignalEndsTheRunAndLeavesTheLineUsable_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("kill") << SIGTERM;
    QTest::newRow("kill -9") << SIGKILL;
}

void tst_CliE2e::aSignalEndsTheRunAndLeavesTheLineUsable()
{
    QFETCH(int, signal);
    Bench bench;
    QVERIFY(bench.started);
    const QString file = bench.setupFile(u"setup.ini"_s);

    // The signal comes once the upload is under way, during one of its waits.
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    QObject::connect(&bench.host, &PtyHost::frameReceived, &program, [&] {
        if (bench.heard.size() > 40 && program.state() == QProcess::Running)
            ::kill(pid_t(program.processId()), signal);
    });
    program.start(QStringLiteral(VELNOR_CLI_PROGRAM), bench.withSettings({u"upload"_s, file}));
    QVERIFY(finished.wait(20000));
    if (signal == SIGKILL) {
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    } else {
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 130);
        QVERIFY(QString::fromUtf8(program.readAllStandardError()).contains(u"interrupted"_s));
    }

    // The line stays usable, even after a kill that left no time to close the port.
    QTRY_VERIFY(bench.runInProcess({u"select"_s, u"101"_s}).status == 0);
    // Nothing of the upload went out after the signal: it stops short, and the select follows.
    const qsizetype sent = bench.heard.indexOf("\xEF\x65"_ba, 40);
    QVERIFY2(sent > 40 && sent < kUploadSize, qPrintable(QString::number(sent)));
    QVERIFY(bench.heard.startsWith(kUploadOpening));
}

// While another program holds the settings file's lock, save waits for it before the store
// frame goes out, and a signal ends that wait with nothing stored. Ctrl+C is the same handler as
// the kill: the run test has both.
void tst_CliE2e::aSignalEndsTheWaitForTheSettingsLock()
{
    Bench bench;
    QVERIFY(bench.started);
    const QString file = bench.setupFile(u"setup.ini"_s);
    const IniLock held = bench.settings.tryLock();
    QCOMPARE(held.state(), IniLock::State::Held);

    test::OpenWatch tries(bench.dir.path(), "velnor.ini.lock");
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(QStringLiteral(VELNOR_CLI_PROGRAM),
                  bench.withSettings({u"upload"_s, file, u"save"_s}));
    QVERIFY(tries.wait(program));
    ::kill(pid_t(program.processId()), SIGTERM);
    // Waiting the lock out would take 10 s, store, and end in status 6.
    QVERIFY(finished.wait(30000));
    QCOMPARE(program.exitCode(), 130);
    QVERIFY(QString::fromUtf8(program.readAllStandardError()).contains(u"save: interrupted"_s));

    const QByteArray marker = "\xFE\x09"_ba;
    QVERIFY(bench.runInProcess({u"serial"_s}).status == 0);
    QTRY_VERIFY(bench.heard.endsWith(marker));
    QCOMPARE(bench.heard.chopped(marker.size()).size(), kUploadSize);
    QCOMPARE(loadModuleSetup(bench.settings).uid, u"101"_s);
}

void tst_CliE2e::scanFindsTheModulesAndLeavesNoneSelected_data()
{
    QTest::addColumn<QList<quint8>>("addresses");
    // Modules stored at 4800 bit/s, by index.
    QTest::addColumn<QList<int>>("slow");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    // Standard error, as a pattern.
    QTest::addColumn<QString>("err");

    QTest::newRow("scattered") << QList<quint8>{132, 101, 117} << QList<int>{} << u"scan"_s << 0
                               << u"101\n117\n132\n"_s << QString();
    QTest::newRow("silent line") << QList<quint8>{} << QList<int>{} << u"scan"_s << 4 << QString()
                                 << u"velnor-cli: scan: no module answered\n"_s;
    // Two modules answer together at 110; the one at 120 alone.
    QTest::newRow("two on one address")
        << QList<quint8>{110, 120, 110} << QList<int>{} << u"--json scan"_s << 0
        << u"{\"answering\":[120],\"garbled\":[110],\"silent\":[101,102,103,104,105,106,107,"
           u"108,109,111,112,113,114,115,116,117,118,119,121,122,123,124,125,126,127,128,129,130,"
           u"131,132],\"speeds\":[{\"answering\":[120],\"baud\":9600,\"garbled\":[110]}]}\n"_s
        << QString();
    // The text output stays one answering address a line; what was garbled goes to stderr.
    QTest::newRow("two on one address, as text")
        << QList<quint8>{110, 120, 110} << QList<int>{} << u"scan"_s << 0 << u"120\n"_s
        << u"velnor-cli: scan: garbled reply from 110 at 9600 bit/s:( [0-9A-F]{2})+\n"_s;
    // The module stored at 4800 is deaf at 9600; the line's own speed is back for the select.
    QTest::newRow("both speeds") << QList<quint8>{101, 117} << QList<int>{1}
                                 << u"scan --both-speeds select 101"_s << 0
                                 << u"101 9600\n117 4800\n"_s << QString();
}

void tst_CliE2e::scanFindsTheModulesAndLeavesNoneSelected()
{
    QFETCH(QList<quint8>, addresses);
    QFETCH(QList<int>, slow);
    QFETCH(QString, arguments);

    Bench bench(addresses);
    QVERIFY(bench.started);
    Line& line = bench.host.line();
    for (int index : slow)
        line.feed("\xEF"_ba + char(addresses.at(index)) + "\xFE\x1F\xFE\x20"_ba, 0);
    line.powerUp();

    const Result result = bench.runInProcess(arguments.split(u' '));
    QFETCH(QString, err);
    QVERIFY2(QRegularExpression(u"\\A"_s + err + u"\\z"_s).match(result.err).hasMatch(),
             qPrintable(result.err));
    QTEST(result.out, "out");
    QTEST(result.status, "status");
    // Every module that answered was deselected; the select after the scan aside.
    int selected = 0;
    for (int m = 0; m < line.moduleCount(); ++m)
        selected += line.module(m).selected() ? 1 : 0;
    QCOMPARE(selected, arguments.endsWith(u"select 101"_s) ? 1 : 0);
}

void tst_CliE2e::watchPrintsTheFirstAnswerAndEachChange_data()
{
    QTest::addColumn<QString>("arguments");
    // Input 3 closes when the module answers this read; 0 for never.
    QTest::addColumn<int>("flipAt");
    // The least time from the first line to the last.
    QTest::addColumn<int>("gapMs");
    // The lines, the time left out.
    QTest::addColumn<QStringList>("lines");
    // 130: SIGTERM after the first line.
    QTest::addColumn<int>("status");

    const QString json = uR"({"address":101,"inputs":{"1":true,"2":true,"3":%1,"4":true,)"
                         uR"("5":true,"6":true,"7":true,"8":true},"time":"TIME"})"_s;
    const QString open = u"TIME 1 1 1 1 1 1 1 1"_s;
    // Reads that find nothing changed print nothing.
    QTest::newRow("one read after another") << u"select 101 watch --count 2"_s << 3 << 0
                                            << QStringList{open, u"TIME 1 1 0 1 1 1 1 1"_s} << 0;
    QTest::newRow("every 300 ms, then the next command")
        << u"select 101 watch --interval 300 --count 2 --json deselect"_s << 1 << 300
        << QStringList{json.arg(u"true"_s), json.arg(u"false"_s)} << 0;
    // The signal comes while the watch waits for its next read, which then never goes out.
    QTest::newRow("until a signal")
        << u"select 101 watch --interval 60000"_s << 0 << 0 << QStringList{open} << 130;
}

void tst_CliE2e::watchPrintsTheFirstAnswerAndEachChange()
{
    QFETCH(QString, arguments);
    QFETCH(int, flipAt);
    QFETCH(int, gapMs);
    QFETCH(int, status);

    Bench bench;
    QVERIFY(bench.started);
    int reads = 0;
    QObject::connect(&bench.host, &PtyHost::answered, &bench.host, [&](const QByteArray& bytes) {
        if (bytes.size() == 4 && ++reads == flipAt)
            bench.host.line().setInputs(0, 0xFB);
    });
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    bool signalled = false;
    QObject::connect(&program, &QProcess::readyReadStandardOutput, &program, [&] {
        if (status == 130 && !std::exchange(signalled, true))
            ::kill(pid_t(program.processId()), SIGTERM);
    });
    program.start(QStringLiteral(VELNOR_CLI_PROGRAM), bench.withSettings(arguments.split(u' ')));
    QVERIFY(finished.wait(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(err, status == 0 ? QString()
                              : u"velnor-cli: "_s + arguments.mid(11) + u": interrupted\n"_s);

    const QRegularExpression time(u"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}"_s);
    QStringList lines;
    QList<QDateTime> times;
    for (QString line :
         QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        times.append(QDateTime::fromString(time.match(line).captured(), Qt::ISODateWithMs));
        lines.append(line.replace(time, u"TIME"_s));
    }
    QTEST(lines, "lines");
    // The reads run on a coarse timer, which may fire a little early.
    QVERIFY(times.first().msecsTo(times.last()) >= gapMs * 5 / 6);
    // The read that saw the change was the last.
    QCOMPARE(bench.heard.count("\xFE\x0E"_ba), flipAt + 1);
    // The command after the watch ran.
    QCOMPARE(bench.module(0).ownSelected(), !arguments.endsWith(u"deselect"_s));
}

// The module is switched off and on as soon as the store frame is in, or never; a line of
// modules where not exactly one answers gets nothing but the search.
void tst_CliE2e::commissionGivesTheOneModuleItsAddress_data()
{
    QTest::addColumn<QList<quint8>>("modules");
    QTest::addColumn<bool>("powerCycled");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    const QList<quint8> one{101};
    QTest::newRow("new at 4800") << QList<quint8>{} << true << 0
                                 << u"103 at 9600 bit/s checked after"_s;
    QTest::newRow("not switched off and on") << one << false << 9 << u"still answers at 101"_s;
    QTest::newRow("at 4800 not switched off and on")
        << QList<quint8>{} << false << 9 << u"still answers at 107 at 4800"_s;
    QTest::newRow("none") << QList<quint8>{} << false << 4 << u"No module answers"_s;
    QTest::newRow("two") << QList<quint8>{101, 102} << false << 8 << u"More than one"_s;
    QTest::newRow("two at one address")
        << QList<quint8>{105, 105} << false << 8 << u"garbled reply came back at 105 at 9600"_s;
}

void tst_CliE2e::commissionGivesTheOneModuleItsAddress()
{
    QFETCH(QList<quint8>, modules);
    QFETCH(bool, powerCycled);
    QFETCH(int, status);
    QFETCH(QString, said);
    Bench bench(modules);
    QVERIFY(bench.started);
    Line& line = bench.host.line();
    // A module from the box, stored at 4800 before.
    if (modules.isEmpty() && status != 4)
        line.plug(107, 4800);
    if (powerCycled) {
        QObject::connect(&bench.host, &PtyHost::frameReceived, &bench.host, [&] {
            if (bench.heard.endsWith(kStore))
                QTimer::singleShot(0, &line, [&line] { line.powerUp(); });
        });
    }
    const QString file = bench.setupFile(u"station.ini"_s);
    const Result result = bench.runInProcess(
        {u"commission"_s, file, u"--address"_s, u"103"_s, u"--timeout"_s, u"1"_s});
    QCOMPARE(result.status, status);
    QVERIFY2((result.out + result.err).contains(said), qPrintable(result.out + result.err));
    const qsizetype opening = bench.heard.indexOf(kUploadOpening);
    if (status == 4 || status == 8) {
        QCOMPARE(opening, -1);
        return;
    }
    // The configuration window's own upload of the file with the new address, then its store.
    ModuleSetup setup = loadModuleSetup(IniFile(file));
    setup.uid = u"103"_s;
    QByteArray upload = kUploadOpening;
    const auto plan = planUpload(setup);
    for (const UploadStep& step : std::get<QList<UploadStep>>(plan))
        upload += step.bytes;
    QCOMPARE(bench.heard.mid(opening, upload.size() + kStore.size()), upload + kStore);
    QCOMPARE(line.module(0).stored().address, quint8(103));
    QCOMPARE(line.module(0).address(), quint8(powerCycled ? 103 : modules.value(0, 107)));
    QCOMPARE(line.module(0).selected(), false);
}

QTEST_GUILESS_MAIN(tst_CliE2e)
#include "tst_cli_e2e.moc"
