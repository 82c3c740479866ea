#include "cli/CommandLine.h"
#include "cli/Help.h"
#include "link/Hex.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using namespace velnor::cli;

namespace {

// A parsed command line in one line: the options, then what each command sends in hex ("upload"
// and "monitor" by name); or "error: " and the message.
QString render(const std::variant<Invocation, UsageError>& parsed)
{
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return u"error: "_s + error->text;
    const Invocation& invocation = std::get<Invocation>(parsed);
    if (invocation.action == Invocation::Action::Help)
        return u"help"_s;
    if (invocation.action == Invocation::Action::Version)
        return u"version"_s;
    QStringList options;
    if (invocation.port)
        options.append(u"port=%1"_s.arg(*invocation.port));
    if (!invocation.device.isEmpty())
        options.append(u"device="_s + invocation.device);
    if (invocation.speed)
        options.append(u"speed=%1"_s.arg(*invocation.speed));
    if (!invocation.settingsFile.isEmpty())
        options.append(u"settings="_s + invocation.settingsFile);
    if (invocation.json)
        options.append(u"json"_s);
    QStringList parts;
    if (!options.isEmpty())
        parts.append(options.join(u' '));
    for (const Command& command : invocation.commands) {
        if (command.kind == Command::Kind::Upload)
            parts.append((u"upload "_s + command.file).trimmed());
        else if (command.kind == Command::Kind::Monitor)
            parts.append(u"monitor"_s);
        else
            parts.append(frameOf(command).isEmpty() ? u"nothing"_s
                                                    : hexItems(frameOf(command)).trimmed());
    }
    return parts.join(u" | "_s);
}

} // namespace

class tst_CliCommandLine final : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void helpListsEveryCommandWithItsFrame();
};

void tst_CliCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    // The rendering, or "error: " and a part of the message that names what is accepted.
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, const QStringList& arguments, const QString& expected) {
        QTest::newRow(name) << arguments << expected;
    };
    // Good forms.
    row("select, then what waits for its answer",
        {u"select"_s, u"101"_s, u"inputs"_s, u"deselect"_s}, u"EF 65 | FE 0E | EA"_s);
    row("options apart and with =",
        {u"--port"_s, u"3"_s, u"--speed=4800"_s, u"--settings"_s, u"s.ini"_s, u"--json"_s,
         u"select"_s, u"132"_s},
        u"port=3 speed=4800 settings=s.ini json | EF 84"_s);
    row("a device named directly", {u"--device=/dev/ttyUSB0"_s, u"serial"_s},
        u"device=/dev/ttyUSB0 | FE 09"_s);
    row("broadcast opens the module commands",
        {u"broadcast"_s, u"on"_s,         u"text"_s, u"AB"_s,        u"CD"_s,
         u"clear"_s,     u"predefined"_s, u"10"_s,   u"1"_s,         u"backlight"_s,
         u"FLASH"_s,     u"char"_s,       u"8"_s,    u"output"_s,    u"8"_s,
         u"off"_s,       u"outputs"_s,    u"on"_s,   u"broadcast"_s, u"off"_s},
        u"EF 64 | 0D 41 42 0C 43 44 | 0D | FE 34 6E 01 | FE 0B | 07 | FE 33 07 4C | FE 0C | "
        u"EA 64"_s);
    row("cursor by position and by look",
        {u"select"_s, u"101"_s, u"cursor"_s, u"1"_s, u"15"_s, u"cursor"_s, u"hide"_s,
         u"clear-row"_s, u"0"_s, u"clear-column"_s, u"7"_s},
        u"EF 65 | FE 32 01 0F | FE 03 | FE 2D 00 | FE 2E 07"_s);
    row("texts as they stand, by the safe-text rule",
        {u"select"_s, u"101"_s, u"text"_s, u""_s, u"--json"_s, u"text"_s, u"0123456789ABCDEF"_s,
         u"x"_s, u"text"_s, u"\u00FE\u0001"_s, u""_s, u"text"_s, u""_s, u""_s},
        u"EF 65 | 0D 0C 2D 2D 6A 73 6F 6E | 0D 30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 "
        u"78 | 0D 3F 3F | nothing"_s);
    row("broadcast off keeps the module selected",
        {u"select"_s, u"101"_s, u"broadcast"_s, u"off"_s, u"deselect"_s}, u"EF 65 | EA 64 | EA"_s);
    row("upload's file is optional",
        {u"upload"_s, u"save"_s, u"upload"_s, u"setup.ini"_s, u"monitor"_s, u"upload"_s,
         u"./save"_s},
        u"upload | EF 64 FE 20 | upload setup.ini | monitor | upload ./save"_s);
    row("upload and save select every module",
        {u"upload"_s, u"backlight"_s, u"on"_s, u"save"_s, u"serial"_s},
        u"upload | FE 06 | EF 64 FE 20 | FE 09"_s);
    row("help before anything else", {u"--help"_s, u"select"_s, u"999"_s}, u"help"_s);
    row("version", {u"--version"_s}, u"version"_s);

    // Options.
    row("no command", {}, u"error: no command given"_s);
    row("port out of range", {u"--port"_s, u"21"_s, u"serial"_s},
        u"error: --port: N must be a number from 1 to 20, not \"21\""_s);
    row("port without a number", {u"--port"_s}, u"error: --port: N is missing"_s);
    row("port and device", {u"--port"_s, u"3"_s, u"--device"_s, u"/dev/x"_s, u"serial"_s},
        u"error: --port and --device both name the port"_s);
    row("speed", {u"--speed"_s, u"19200"_s, u"serial"_s},
        u"error: --speed: expected 9600 or 4800, not \"19200\""_s);
    row("settings without a path", {u"--settings="_s, u"serial"_s},
        u"error: --settings: a path is missing"_s);
    row("unknown option", {u"--colour"_s, u"serial"_s},
        u"error: unknown option \"--colour\"; the options are --port"_s);
    row("flag with a value", {u"--json=yes"_s, u"serial"_s}, u"error: --json takes no value"_s);
    row("option after a command", {u"select"_s, u"101"_s, u"--json"_s},
        u"error: unknown command \"--json\"; options go before the first command"_s);

    // Commands and their values.
    row("unknown command", {u"fly"_s},
        u"error: unknown command \"fly\"; the commands are select, deselect, broadcast"_s);
    row("select the broadcast address", {u"select"_s, u"100"_s},
        u"error: select: 100 is the broadcast address, which no module has: use "
        u"\"broadcast on\""_s);
    row("select beyond the addresses", {u"select"_s, u"133"_s},
        u"error: select: ADDR must be a number from 101 to 132, not \"133\""_s);
    row("select in hex", {u"select"_s, u"0x65"_s},
        u"error: select: ADDR must be a number from 101 to 132, not \"0x65\""_s);
    row("select without an address", {u"select"_s}, u"error: select: ADDR is missing"_s);
    row("broadcast", {u"broadcast"_s, u"maybe"_s},
        u"error: broadcast: expected on or off, not \"maybe\""_s);
    row("backlight without a value", {u"select"_s, u"101"_s, u"backlight"_s},
        u"error: backlight: expected on, off or flash"_s);
    row("text longer than a row",
        {u"select"_s, u"101"_s, u"text"_s, u"ABCDEFGHIJKLMNOPQ"_s, u"x"_s},
        u"error: text: LINE1 has 17 characters; a row holds 16"_s);
    row("text of one line", {u"select"_s, u"101"_s, u"text"_s, u"AB"_s},
        u"error: text: expected LINE1 LINE2"_s);
    row("cursor row", {u"select"_s, u"101"_s, u"cursor"_s, u"2"_s, u"0"_s},
        u"error: cursor: ROW must be a number from 0 to 1, not \"2\""_s);
    row("cursor column missing", {u"select"_s, u"101"_s, u"cursor"_s, u"1"_s},
        u"error: cursor: COL is missing"_s);
    row("cursor look", {u"select"_s, u"101"_s, u"cursor"_s, u"sideways"_s},
        u"error: cursor: expected ROW COL, or underline, blinking or hide, not \"sideways\""_s);
    row("predefined text", {u"select"_s, u"101"_s, u"predefined"_s, u"11"_s, u"0"_s},
        u"error: predefined: N must be a number from 1 to 10, not \"11\""_s);
    row("custom character", {u"select"_s, u"101"_s, u"char"_s, u"0"_s},
        u"error: char: N must be a number from 1 to 8, not \"0\""_s);
    row("output number", {u"select"_s, u"101"_s, u"output"_s, u"9"_s, u"on"_s},
        u"error: output: N must be a number from 1 to 8, not \"9\""_s);
    row("output state", {u"select"_s, u"101"_s, u"output"_s, u"1"_s, u"high"_s},
        u"error: output: expected on or off, not \"high\""_s);
    row("column", {u"select"_s, u"101"_s, u"clear-column"_s, u"16"_s},
        u"error: clear-column: COL must be a number from 0 to 15, not \"16\""_s);
    row("empty upload file", {u"upload"_s, u""_s}, u"error: upload: FILE is empty"_s);

    // What each command needs before it.
    row("module command with nothing selected", {u"text"_s, u"AB"_s, u"CD"_s},
        u"error: text: no module is selected before it"_s);
    row("after broadcast mode ended",
        {u"broadcast"_s, u"on"_s, u"broadcast"_s, u"off"_s, u"clear"_s},
        u"error: clear: no module is selected before it"_s);
    row("inputs in broadcast mode", {u"broadcast"_s, u"on"_s, u"inputs"_s},
        u"error: inputs: needs \"select ADDR\" before it"_s);
    row("inputs after deselect", {u"select"_s, u"101"_s, u"deselect"_s, u"inputs"_s},
        u"error: inputs: needs \"select ADDR\" before it"_s);
    row("inputs after an upload", {u"select"_s, u"101"_s, u"upload"_s, u"inputs"_s},
        u"error: inputs: needs \"select ADDR\" before it"_s);
    row("deselect with nothing selected", {u"deselect"_s},
        u"error: deselect: needs \"select ADDR\" before it"_s);
}

void tst_CliCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const QString actual = render(parseCommandLine(arguments));
    if (expected.startsWith(u"error: "_s))
        QVERIFY2(actual.startsWith(expected), qPrintable(actual));
    else
        QCOMPARE(actual, expected);
}

void tst_CliCommandLine::helpListsEveryCommandWithItsFrame()
{
    const QStringList lines = helpText().split(u'\n');
    for (const char* name : {"select", "deselect", "broadcast", "text", "clear", "predefined",
                             "cursor", "clear-row", "clear-column", "backlight", "char", "inputs",
                             "output", "outputs", "serial", "upload", "save", "monitor"}) {
        const QString start = u"  "_s + QLatin1StringView(name);
        const auto listed = std::find_if(lines.begin(), lines.end(), [&](const QString& line) {
            return line == start || line.startsWith(start + u' ');
        });
        QVERIFY2(listed != lines.end(), name);
        // The line under it shows the bytes sent.
        QVERIFY2(std::next(listed) != lines.end() && !std::next(listed)->trimmed().isEmpty(),
                 name);
    }
    QVERIFY(lines.contains(QString(30, u' ') + u"FE 33 00 48 (1 on)   FE 33 07 4C (8 off)"_s));
    QVERIFY(helpText().contains(u"then 314 bytes with 14 waits of 200 ms"_s));
}

QTEST_APPLESS_MAIN(tst_CliCommandLine)
#include "tst_commandline.moc"
