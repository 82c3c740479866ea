#include "cli/Help.h"

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "link/Hex.h"
#include "protocol/Frames.h"
#include "protocol/UploadPlan.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

constexpr qsizetype kUsageWidth = 30;

// A line of the command list: the command's form, what it does, and whole commands whose
// frames show what it sends.
struct CommandHelp
{
    QString usage;
    QString what;
    QStringList examples;
};

QList<CommandHelp> commandHelp()
{
    return {
        {u"select ADDR"_s,
         u"selects module ADDR (101 to 132); waits 10 ticks for EE ADDR"_s,
         {u"select 105"_s}},
        {u"deselect"_s,
         u"releases the module selected; waits 10 ticks for EE ADDR"_s,
         {u"deselect"_s}},
        {u"broadcast on|off"_s,
         u"selects every module at once (address 100), or stops"_s,
         {u"broadcast on"_s, u"broadcast off"_s}},
        {u"text LINE1 LINE2"_s,
         u"clears the display and writes two rows of 16 at most"_s,
         {u"text AB CD"_s}},
        {u"clear"_s, u"clears the display"_s, {u"clear"_s}},
        {u"predefined N ROW"_s,
         u"shows stored text N (1 to 10) on row ROW (0 or 1)"_s,
         {u"predefined 10 1"_s}},
        {u"cursor ROW COL"_s,
         u"moves the cursor to row ROW (0 or 1), column COL (0 to 15)"_s,
         {u"cursor 1 15"_s}},
        {u"cursor underline|blinking|hide"_s,
         u"sets the cursor's look"_s,
         {u"cursor underline"_s, u"cursor blinking"_s, u"cursor hide"_s}},
        {u"clear-row ROW"_s, u"clears row ROW (0 or 1)"_s, {u"clear-row 0"_s}},
        {u"clear-column COL"_s, u"clears column COL (0 to 15)"_s, {u"clear-column 7"_s}},
        {u"backlight on|off|flash"_s,
         u"switches the backlight on, off or to flashing"_s,
         {u"backlight on"_s, u"backlight off"_s, u"backlight flash"_s}},
        {u"char N"_s, u"shows custom character N (1 to 8) at the cursor"_s, {u"char 1"_s}},
        {u"inputs"_s,
         u"reads the eight inputs; waits 10 ticks for EE ADDR i1 i2"_s,
         {u"inputs"_s}},
        {u"output N on|off"_s,
         u"switches output N (1 to 8) on or off"_s,
         {u"output 1 on"_s, u"output 8 off"_s}},
        {u"outputs on|off"_s,
         u"switches all eight outputs on or off"_s,
         {u"outputs on"_s, u"outputs off"_s}},
        {u"serial"_s, u"has the module show its serial number"_s, {u"serial"_s}},
        {u"upload [FILE]"_s,
         u"sends the \"LCD\" setup of the settings file or FILE to all"_s,
         {u"upload"_s}},
        {u"save"_s, u"has every module store what it was sent"_s, {u"save"_s}},
        {u"monitor"_s, u"from here on prints bytes sent (>) and received (<)"_s, {u"monitor"_s}},
    };
}

QString hex(const QByteArray& bytes)
{
    return hexItems(bytes).trimmed();
}

// What the upload sends, from the plan of a setup that passes.
QString uploadFrames()
{
    ModuleSetup sample;
    sample.uid = u"101"_s;
    sample.bitmaps.fill(u"0"_s);
    const auto plan = planUpload(sample);
    qsizetype bytes = 0;
    int waits = 0;
    for (const UploadStep& step : std::get<QList<UploadStep>>(plan)) {
        bytes += step.bytes.size();
        waits += step.waitAfter ? 1 : 0;
    }
    return u"%1 \"%2\", then %3 bytes with %4 waits of 200 ms"_s
        .arg(hex(frames::enterConfiguration()), frames::kConfigModeText)
        .arg(bytes)
        .arg(waits);
}

// "EF 69 (105)", one for each example.
QString framesOf(const CommandHelp& help)
{
    QStringList shown;
    for (const QString& example : help.examples) {
        const QStringList words = example.split(u' ');
        const auto parsed = parseCommand(words);
        const Command& command = std::get<Command>(parsed);
        if (command.kind == Command::Kind::Upload)
            return uploadFrames();
        if (command.kind == Command::Kind::Monitor)
            return u"sends nothing"_s;
        const QString arguments = words.mid(1).join(u' ');
        shown.append(arguments.isEmpty() ? hex(frameOf(command))
                                         : u"%1 (%2)"_s.arg(hex(frameOf(command)), arguments));
    }
    return shown.join(u"   "_s);
}

} // namespace

QString helpText()
{
    QString text;
    QTextStream s(&text);
    s << "Usage: velnor-cli [--port N | --device PATH] [--speed 9600|4800] [--settings FILE]\n"
         "                  [--json] COMMAND [ARGS] [COMMAND [ARGS] ...]\n"
         "\n"
         "Runs the commands in order on one open port, with the panel's frames, text rule and\n"
         "waits, and stops at the first one that fails. Nothing is sent when the command line\n"
         "has an error.\n"
         "\n"
         "Options (before the first command):\n"
         "  --port N         port number 1 to 20, as in the panel; the settings file's \"Ports\"\n"
         "                   section or /dev/ttyS{N-1} names its device (default: \"CommPort\")\n"
         "  --device PATH    the serial device itself, such as /dev/ttyUSB0\n"
         "  --speed S        9600 or 4800 bit/s (default: \"Setting\" as the panel reads it)\n"
         "  --settings FILE  the settings file (default: the panel's, velnor.ini beside the\n"
         "                   program, or ~/.config/velnor/velnor.ini for an installed one)\n"
         "  --json           inputs prints {\"address\":101,\"inputs\":{\"1\":true,...}}\n"
         "  --help, --version\n"
         "\n"
         "Commands, each with the bytes it sends in hex:\n";
    for (const CommandHelp& help : commandHelp()) {
        s << "  " << help.usage.leftJustified(kUsageWidth - 2);
        if (help.usage.size() > kUsageWidth - 3)
            s << '\n' << QString(kUsageWidth, u' ');
        s << help.what << '\n' << QString(kUsageWidth, u' ') << framesOf(help) << '\n';
    }
    s << "\n"
         "text, clear, predefined, cursor, clear-row, clear-column, backlight, char, output and\n"
         "outputs need \"select ADDR\" or \"broadcast on\" before them; inputs and deselect need\n"
         "\"select ADDR\" (upload and deselect end it). Texts go out one byte a character; a\n"
         "character the modules would take as a command goes out as '?'.\n"
         "upload selects every module and shows \"Config. Mode\", as the configuration window\n"
         "does, then sends the setup; it needs an address 101 to 132 and bitmaps 0 to 255.\n"
         "save sends the store frame; after an upload from FILE it also writes that setup to\n"
         "the settings file's \"LCD\" section, as the panel keeps a copy of what it saved.\n"
         "\n"
         "Exit status:\n";
    const auto status = [&s](ExitStatus code, const char* meaning) {
        s << "  " << int(code) << "  " << meaning << '\n';
    };
    status(ExitStatus::Ok, "every command ran and every answer came");
    status(ExitStatus::Usage,
           "the command line is wrong or the settings file cannot be read; nothing was sent");
    status(ExitStatus::PortNotAvailable,
           "the port cannot be opened or written (reason on stderr)");
    status(ExitStatus::NoAnswer, "no answer: \"Device Not Found\" or \"No Response\"");
    status(ExitStatus::ConfigurationRefused, "the setup cannot be uploaded; nothing was sent");
    status(ExitStatus::SettingsNotWritten, "save was sent, but the settings file was not written");
    status(ExitStatus::OutputLost, "every command ran, but the result could not be written");
    status(ExitStatus::Interrupted, "ended by SIGINT, SIGTERM or SIGHUP between two frames");
    return text;
}

QString versionText()
{
    return u"velnor-cli %1\n"_s.arg(QStringLiteral(VELNOR_VERSION));
}

} // namespace velnor::cli
