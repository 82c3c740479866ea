#include "cli/CommandLine.h"
#include "cli/Help.h"
#include "shared/Formats.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velnor;
using namespace velnor::cli;

namespace {

// A parsed command line in one line: the options, then what each command sends in hex (those
// that send no one frame by name, with their options); or "error: " and the message.
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
        const QString json = command.json ? u" json"_s : QString();
        if (command.kind == Command::Kind::Upload)
            parts.append((u"upload "_s + command.file).trimmed());
        else if (command.kind == Command::Kind::Monitor)
            parts.append(u"monitor"_s);
        else if (command.kind == Command::Kind::Ports)
            parts.append(u"ports"_s + json);
        else if (command.kind == Command::Kind::Scan)
            parts.append((command.bothSpeeds ? u"scan both"_s : u"scan"_s) + json);
        else if (command.kind == Command::Kind::Watch)
            parts.append(u"watch %1 ms %2 lines"_s.arg(command.intervalMs).arg(command.count) +
                         json);
        else
            parts.append(frameOf(command).isEmpty() ? u"nothing"_s
                                                    : formats::hex(frameOf(command)));
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
    void help_data();
    void help();
};

void tst_CliCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    // The rendering, or "error: " and a part of the message that names what is accepted.
    QTest::addColumn<QString>("expected");

    // The arguments separated by blanks; '' for an empty one.
    const auto split = [](const char* arguments) {
        QStringList list = QString::fromUtf8(arguments).split(u' ', Qt::SkipEmptyParts);
        return list.replaceInStrings(QRegularExpression(u"^''$"_s), QString());
    };
    const auto row = [&](const char* name, const char* arguments, const QString& expected) {
        QTest::newRow(name) << split(arguments) << expected;
    };
    const auto refused = [&](const char* arguments, const char* message) {
        QTest::newRow(*arguments ? arguments : "nothing")
            << split(arguments) << u"error: "_s + QString::fromUtf8(message);
    };
    // Good forms.
    row("select, then what waits for its answer", "select 101 inputs deselect",
        u"EF 65 | FE 0E | EA"_s);
    row("options apart and with =", "--port 3 --speed=4800 --settings s.ini --json select 132",
        u"port=3 speed=4800 settings=s.ini json | EF 84"_s);
    row("a device named directly", "--device=/dev/ttyUSB0 serial",
        u"device=/dev/ttyUSB0 | FE 09"_s);
    row("broadcast opens the module commands",
        "broadcast on text AB CD clear predefined 10 1 backlight FLASH char 8 output 8 off "
        "outputs on broadcast off",
        u"EF 64 | 0D 41 42 0C 43 44 | 0D | FE 34 6E 01 | FE 0B | 07 | FE 33 07 4C | FE 0C | "
        u"EA 64"_s);
    row("cursor by position and by look",
        "select 101 cursor 1 15 cursor hide clear-row 0 clear-column 7",
        u"EF 65 | FE 32 01 0F | FE 03 | FE 2D 00 | FE 2E 07"_s);
    row("texts as they stand, by the safe-text rule",
        "select 101 text '' --json text 0123456789ABCDEF x text \u00FE\x01 '' text '' ''",
        u"EF 65 | 0D 0C 2D 2D 6A 73 6F 6E | 0D 30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 "
        u"78 | 0D 3F 3F | nothing"_s);
    row("broadcast off keeps the module selected", "select 101 broadcast off deselect",
        u"EF 65 | EA 64 | EA"_s);
    row("upload's file is optional", "upload save upload setup.ini monitor upload ./save",
        u"upload | EF 64 FE 20 | upload setup.ini | monitor | upload ./save"_s);
    row("upload and save select every module", "upload backlight on save serial",
        u"upload | FE 06 | EF 64 FE 20 | FE 09"_s);
    row("ports needs no module and has its own --json", "ports select 101 ports --json inputs",
        u"ports | EF 65 | ports json | FE 0E"_s);
    row("--json is every command's", "--json ports", u"json | ports json"_s);
    row("scan needs nothing before it", "scan select 101 scan --json --both-speeds",
        u"scan | EF 65 | scan both json"_s);
    row("watch and its options in any order",
        "select 101 watch --count=3 --json --interval 500 deselect",
        u"EF 65 | watch 500 ms 3 lines json | EA"_s);
    row("help before anything else", "--help select 999", u"help"_s);
    row("version", "--version", u"version"_s);

    // Options.
    refused("", "no command given");
    refused("--port 21 serial", "--port: N must be a number from 1 to 20, not \"21\"");
    refused("--port", "--port: N is missing");
    refused("--port 3 --device /dev/x serial", "--port and --device both name the port");
    refused("--speed 19200 serial", "--speed: expected 9600 or 4800, not \"19200\"");
    refused("--settings= serial", "--settings: a path is missing");
    refused("--colour serial", "unknown option \"--colour\"; the options are --port");
    refused("--json=yes serial", "--json takes no value");
    refused("select 101 --json",
            "unknown command \"--json\"; options go before the first command");

    // Commands and their values.
    refused("fly", "unknown command \"fly\"; the commands are select, deselect, broadcast");
    refused("select 100", "select: 100 is the broadcast address, which no module has: use "
                          "\"broadcast on\"");
    refused("select 133", "select: ADDR must be a number from 101 to 132, not \"133\"");
    refused("select 0x65", "select: ADDR must be a number from 101 to 132, not \"0x65\"");
    refused("select", "select: ADDR is missing");
    refused("broadcast maybe", "broadcast: expected on or off, not \"maybe\"");
    refused("select 101 backlight", "backlight: expected on, off or flash");
    refused("select 101 text ABCDEFGHIJKLMNOPQ x",
            "text: LINE1 has 17 characters; a row holds 16");
    refused("select 101 text AB", "text: expected LINE1 LINE2");
    refused("select 101 cursor 1", "cursor: COL is missing");
    refused("select 101 cursor sideways",
            "cursor: expected ROW COL, or underline, blinking or hide, not \"sideways\"");
    refused("upload ''", "upload: FILE is empty");

    // What each command needs before it.
    refused("text AB CD", "text: no module is selected before it");
    refused("broadcast on broadcast off clear", "clear: no module is selected before it");
    refused("broadcast on inputs", "inputs: needs \"select ADDR\" before it");
    refused("select 101 deselect inputs", "inputs: needs \"select ADDR\" before it");
    refused("select 101 upload inputs", "inputs: needs \"select ADDR\" before it");
    refused("deselect", "deselect: needs \"select ADDR\" before it");
    refused("watch", "watch: needs \"select ADDR\" before it");
    refused("select 101 scan inputs", "inputs: needs \"select ADDR\" before it");
    refused("broadcast on scan clear", "clear: no module is selected before it");
    refused("select 101 watch --count 0",
            "watch: --count: N must be a number from 1 to 1000000, not \"0\"");
    refused("select 101 watch --count", "watch: --count: N is missing: a number from 1 to");
    // A command's own options follow it; any other word is the next command.
    refused("select 101 watch --loud",
            "unknown command \"--loud\"; options go before the first command");
    refused("scan --both-speeds=yes", "scan: --both-speeds takes no value");
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

void tst_CliCommandLine::help_data()
{
    QTest::addColumn<QString>("line");
    // The line under it.
    QTest::addColumn<QString>("next");

    const auto row = [](const char* line, const char* next) {
        QTest::newRow(line) << QString::fromUtf8(line) << QString::fromUtf8(next);
    };
    // A usage too long for its column puts what it does on a line of its own.
    row("  cursor underline|blinking|hide", "sets the cursor's look");
    // What a command does wraps beside its usage.
    row("  watch [--interval MS] [--count N] [--json]",
        "reads the inputs again and again, one read every MS (0 to");
    row("text, clear, predefined, cursor, clear-row, clear-column, backlight, char, output and",
        "outputs need \"select ADDR\" or \"broadcast on\" before them; deselect, inputs and "
        "watch");
}

void tst_CliCommandLine::help()
{
    QFETCH(QString, line);
    QFETCH(QString, next);
    const QStringList lines = helpText().split(u'\n');
    const qsizetype at = lines.indexOf(line);
    QVERIFY2(at >= 0 && at + 1 < lines.size(), qPrintable(helpText()));
    QCOMPARE(lines.at(at + 1).trimmed(), next);
}

QTEST_APPLESS_MAIN(tst_CliCommandLine)
#include "tst_commandline.moc"
