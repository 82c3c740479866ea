#include "cli/Cli.h"
#include "emulator/Line.h"
#include "emulator/PtyHost.h"
#include "link/Hex.h"
#include "link/QtSerialPort.h"
#include "protocol/Frames.h"
#include "protocol/SafeText.h"
#include "protocol/UploadPlan.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetup.h"

#include "Files.h"
#include "ModuleState.h"

#include <QProcess>

#include <csignal>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace velnor;
using velnor::test::moduleState;

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

// Modules 101 and 102 on an emulated line, every byte that reaches them recorded, and
// velnor-cli pointed at the line's device.
struct Bench
{
    Bench() : settings(dir.filePath(u"velnor.ini"_s)), host({101, 102})
    {
        started = host.start(&error);
        settings.WriteIni(u"Settings"_s, u"Setting"_s, u"9600,n,8,1"_s);
        QObject::connect(&host, &PtyHost::frameReceived, &host,
                         [this](const QByteArray& bytes) { wire += bytes; });
    }

    QStringList withPort(const QStringList& arguments) const
    {
        return QStringList{u"--device"_s, host.devicePath(), u"--settings"_s, settings.path()} +
               arguments;
    }

    Result runInProcess(const QStringList& arguments) const
    {
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        result.status = cli::run(withPort(arguments), out, err);
        return result;
    }

    // A file with an "LCD" section as the panel saves one, written at once; changes replace
    // values.
    QString setupFile(const QString& uid, const QMap<QString, QString>& changes = {}) const
    {
        QMap<QString, QString> values{{u"UID"_s, uid},
                                      {u"Baud"_s, u"9600"_s},
                                      {u"Line1"_s, u"Station "_s + uid},
                                      {u"Line2"_s, u"\"  ready\""_s}};
        for (int k = 1; k <= ModuleSetup::kTexts; ++k)
            values.insert(u"PT%1"_s.arg(k), u"Text %1"_s.arg(k));
        for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
            values.insert(u"Custom%1"_s.arg(i + 1), QString::number((i * 37) % 256));
        values.insert(changes);
        QString text = u"[LCD]\n"_s;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            text += it.key() + u'=' + it.value() + u'\n';
        const QString path = dir.filePath(u"setup-%1.ini"_s.arg(uid));
        if (!test::put(path, text.toLatin1()))
            qWarning("cannot write %s", qPrintable(path));
        return path;
    }

    const Module& module(int index) const { return host.line().module(index); }

    QTemporaryDir dir;
    IniFile settings;
    PtyHost host;
    QString error;
    bool started = false;
    QByteArray wire;
};

// What the panel's upload sends for a setup: the configuration window's opening frames, then
// the plan.
QByteArray uploadBytes(const ModuleSetup& setup)
{
    QByteArray bytes = frames::enterConfiguration() + safeText(frames::kConfigModeText);
    const auto plan = planUpload(setup);
    for (const UploadStep& step : std::get<QList<UploadStep>>(plan))
        bytes += step.bytes;
    return bytes;
}

QStringList linesStartingWith(const QString& text, const QString& prefix)
{
    QStringList found;
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(prefix))
            found.append(line.mid(prefix.size()));
    }
    return found;
}

} // namespace

class tst_CliE2e final : public QObject
{
    Q_OBJECT

private slots:
    void aCommandLineWorksTheModuleAsThePanelsButtonsWould();
    void anUploadFromAFileReachesTheModulesByteForByte();
    void theProgramsExitStatus_data();
    void theProgramsExitStatus();
    void anEmptySpeedSettingMeans4800AsInThePanel();
    void aSignalEndsTheRunAndLeavesTheLineUsable_data();
    void aSignalEndsTheRunAndLeavesTheLineUsable();
};

void tst_CliE2e::aCommandLineWorksTheModuleAsThePanelsButtonsWould()
{
    Bench bench;
    QVERIFY2(bench.started, qPrintable(bench.error));
    bench.host.line().setInputs(0, 0x5A);

    const auto untouched = moduleState(bench.module(1));
    const Result result = bench.runInProcess(
        u"--json monitor select 101 text AB CD cursor 1 15 char 3 cursor hide backlight flash "
        u"outputs off output 2 on output 8 on inputs deselect"_s.split(u' '));
    QVERIFY2(result.status == 0, qPrintable(result.err));

    // The bytes of the panel's own frames, in the order of the command line.
    const QList<QByteArray> frames = {frames::select(101),
                                      frames::text(u"AB"_s, u"CD"_s)->bytes,
                                      frames::cursorPosition(1, 15),
                                      frames::customCharacter(2),
                                      frames::cursorLook(2),
                                      frames::backlight(2),
                                      frames::allOutputsOff(),
                                      frames::setOutput(1, true),
                                      frames::setOutput(7, true),
                                      frames::readInputs(),
                                      frames::deselect()};
    QTRY_COMPARE(bench.wire, frames.join());

    const QString shown =
        u"rows=AB|CD             {02};look=hidden;light=flashing;outputs=82;selected=--"_s;
    QCOMPARE(moduleState(bench.module(0), shown), shown);
    // The other module on the line heard none of it.
    QCOMPARE(moduleState(bench.module(1)), untouched);

    // The monitor: each frame on a line of its own, then every byte that came back.
    QStringList sent;
    for (const QByteArray& frame : frames)
        sent.append(hexItems(frame).trimmed());
    QCOMPARE(linesStartingWith(result.out, u"> "_s), sent);
    QCOMPARE(linesStartingWith(result.out, u"< "_s).join(u' '), u"EE 65 EE 65 0A 05 EE 65"_s);
    QVERIFY2(result.out.contains(u"{\"address\":101,\"inputs\":{\"1\":false,\"2\":true,"
                                 u"\"3\":false,\"4\":true,\"5\":true,\"6\":false,\"7\":true,"
                                 u"\"8\":false}}\n"_s),
             qPrintable(result.out));
}

void tst_CliE2e::anUploadFromAFileReachesTheModulesByteForByte()
{
    Bench bench;
    QVERIFY2(bench.started, qPrintable(bench.error));
    const QString file =
        bench.setupFile(u"107"_s, {{u"Baud"_s, u"4800"_s}, {u"Custom2"_s, u"2.5"_s}});
    const ModuleSetup setup = ModuleSetup::load(IniFile(file));

    const Result result = bench.runInProcess({u"upload"_s, file, u"save"_s});
    QVERIFY2(result.status == 0, qPrintable(result.err));
    QTRY_COMPARE(bench.wire, uploadBytes(setup) + frames::saveToNonVolatileMemory());

    ModuleConfig expected;
    expected.address = 107;
    expected.baud = 4800;
    expected.startupScreen = "Station 107       ready         ";
    for (int i = 0; i < ModuleConfig::BitmapSize; ++i)
        expected.bitmaps.append(char((i * 37) % 256));
    expected.bitmaps[1] = 2; // 2.5 goes to the even neighbour
    for (int k = 1; k <= ModuleConfig::TextCount; ++k)
        expected.texts.append(u"Text %1"_s.arg(k).leftJustified(16).toLatin1());
    for (int m = 0; m < 2; ++m) {
        QCOMPARE(bench.module(m).working(), expected);
        QCOMPARE(bench.module(m).stored(), expected);
    }
    // The settings file keeps a copy of what was stored, texts filled out as they were sent.
    const auto plan = std::get<QList<UploadStep>>(planUpload(setup));
    QCOMPARE(ModuleSetup::load(bench.settings), applyFills(setup, plan));
}

void tst_CliE2e::theProgramsExitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    // What reached the line, as frames.
    QTest::addColumn<QByteArray>("wire");

    const QString file = u"$FILE"_s;
    QTest::newRow("answered") << QStringList{u"--json"_s, u"select"_s, u"102"_s, u"inputs"_s} << 0
                              << u"{\"address\":102,\"inputs\":{\"1\":true,\"2\":true,"
                                 u"\"3\":true,\"4\":true,\"5\":true,\"6\":true,\"7\":true,"
                                 u"\"8\":true}}\n"_s
                              << QString() << frames::select(102) + frames::readInputs();
    QTest::newRow("absent module")
        << QStringList{u"select"_s, u"105"_s, u"backlight"_s, u"on"_s} << 4 << QString()
        << u"velnor-cli: select 105: Device Not Found\n"_s << frames::select(105);
    QTest::newRow("module falls silent")
        << QStringList{u"select"_s, u"101"_s, u"inputs"_s, u"serial"_s} << 4 << QString()
        << u"velnor-cli: inputs: No Response\n"_s << frames::select(101) + frames::readInputs();
    QTest::newRow("no such port")
        << QStringList{u"--device"_s, u"/nonexistent/tty"_s, u"select"_s, u"101"_s} << 3
        << QString()
        << u"velnor-cli: SELECTED PORT NOT AVAILABLE! (/nonexistent/tty: No such file or "
           u"directory)\n"_s
        << QByteArray();
    QTest::newRow("port held by another program")
        << QStringList{u"select"_s, u"101"_s} << 3 << QString()
        << u"is in use by tst_cli_e2e (process "_s << QByteArray();
    QTest::newRow("wrong argument")
        << QStringList{u"select"_s, u"101"_s, u"backlight"_s, u"dim"_s} << 2 << QString()
        << u"velnor-cli: backlight: expected on, off or flash, not \"dim\"\n"
           u"Try 'velnor-cli --help'.\n"_s
        << QByteArray();
    QTest::newRow("upload refused")
        << QStringList{u"select"_s, u"101"_s, u"upload"_s, file} << 5 << QString()
        << u"Please Enter Numeric Value 0 to 255 in the bitmap field\n"_s << QByteArray();
    QTest::newRow("device by a relative path")
        << QStringList{u"--device"_s, u"./link"_s, u"select"_s, u"101"_s} << 0 << QString()
        << QString() << frames::select(101);
    QTest::newRow("result lost") << QStringList{u"select"_s, u"102"_s, u"inputs"_s} << 7
                                 << QString()
                                 << u"the result could not be written to standard output\n"_s
                                 << frames::select(102) + frames::readInputs();
    QTest::newRow("settings file unreadable")
        << QStringList{u"--settings"_s, u"$FIFO"_s, u"upload"_s, file, u"save"_s} << 2 << QString()
        << u"Not a regular file (the settings file cannot be read; nothing was sent)"_s
        << QByteArray();
}

void tst_CliE2e::theProgramsExitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, wire);

    Bench bench;
    QVERIFY2(bench.started, qPrintable(bench.error));
    // A module that answers once and then never again.
    if (QByteArray(QTest::currentDataTag()) == "module falls silent") {
        QObject::connect(&bench.host, &PtyHost::answered, &bench.host,
                         [&bench] { bench.host.line().setSilent(true); });
    }
    QtSerialPort other(bench.settings);
    if (QByteArray(QTest::currentDataTag()) == "port held by another program") {
        other.setDevice(bench.host.devicePath());
        QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));
    }
    // A bitmap value that no byte holds makes the upload refused.
    const QString file = status == 5 ? bench.setupFile(u"103"_s, {{u"Custom64"_s, u"256"_s}})
                                     : bench.setupFile(u"103"_s);
    const QString fifo = bench.dir.filePath(u"fifo.ini"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link(bench.host.devicePath(), bench.dir.filePath(u"link"_s)));
    arguments.replaceInStrings(u"$FILE"_s, file);
    arguments.replaceInStrings(u"$FIFO"_s, fifo);

    QProcess program;
    program.setWorkingDirectory(bench.dir.path());
    if (QByteArray(QTest::currentDataTag()) == "result lost")
        program.setStandardOutputFile(u"/dev/full"_s);
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(QStringLiteral(VELNOR_CLI_PROGRAM), bench.withPort(arguments));
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
    const QByteArray marker = frames::showSerialNumber();
    QVERIFY(bench.runInProcess({u"serial"_s}).status == 0);
    QTRY_VERIFY(bench.wire.endsWith(marker));
    QCOMPARE(bench.wire.chopped(marker.size()), wire);
}

void tst_CliE2e::anEmptySpeedSettingMeans4800AsInThePanel()
{
    Bench bench;
    QVERIFY2(bench.started, qPrintable(bench.error));
    bench.settings.WriteIni(u"Settings"_s, u"Setting"_s, QString());
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
    QVERIFY2(bench.started, qPrintable(bench.error));
    const QString file = bench.setupFile(u"103"_s);
    const QByteArray upload = uploadBytes(ModuleSetup::load(IniFile(file)));

    // The signal comes once the upload is under way, during one of its waits.
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    QObject::connect(&bench.host, &PtyHost::frameReceived, &program, [&] {
        if (bench.wire.size() > 40 && program.state() == QProcess::Running)
            ::kill(pid_t(program.processId()), signal);
    });
    program.start(QStringLiteral(VELNOR_CLI_PROGRAM), bench.withPort({u"upload"_s, file}));
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
    // Nothing of the upload went out after the signal: what came is a beginning of it.
    const qsizetype sent = bench.wire.indexOf(frames::select(101), 40);
    QVERIFY(sent > 40 && sent < upload.size());
    QCOMPARE(bench.wire.left(sent), upload.left(sent));
}

QTEST_GUILESS_MAIN(tst_CliE2e)
#include "tst_cli_e2e.moc"
