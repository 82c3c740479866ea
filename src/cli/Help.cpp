#include "cli/Help.h"

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "shared/Formats.h"
#include "settings/StartupSettings.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

constexpr qsizetype kUsageWidth = 30;
constexpr qsizetype kTextWidth = 88;
// What a command does, beside its usage; the frames under it may run longer.
constexpr qsizetype kWhatWidth = 62;

// "ROW", "on|off", "[FILE]", "[--count N]": the argument in a usage line.
QString usage(const Argument& argument)
{
    if (argument.option.isEmpty())
        return argument.type == Argument::Type::File ? u'[' + argument.name + u']' : argument.name;
    if (argument.type == Argument::Type::Switch)
        return u'[' + argument.option + u']';
    return u"[%1 %2]"_s.arg(argument.option, argument.name);
}

// "cursor ROW COL", "upload [FILE]"
QString usage(const CommandRow& row)
{
    QStringList words{row.name};
    for (const Argument& argument : row.arguments)
        words.append(usage(argument));
    return words.join(u' ');
}

// "EF 69 (105)" for each example, or what the command does instead of sending one frame.
QString framesOf(const CommandRow& row)
{
    if (!row.frame)
        return row.sends ? row.sends() : QString();
    const QStringList examples = row.examples.isEmpty() ? QStringList{QString()} : row.examples;
    QStringList shown;
    for (const QString& example : examples) {
        const QStringList words = QStringList{row.name} + example.split(u' ', Qt::SkipEmptyParts);
        const QString hex = formats::hex(frameOf(std::get<Command>(parseCommand(words))));
        shown.append(example.isEmpty() ? hex : u"%1 (%2)"_s.arg(hex, example));
    }
    return shown.join(u"   "_s);
}

// The help line with each {NAME} replaced by the argument and the values it takes: "ROW (0 or
// 1)", "N (1 to 10)".
QString whatOf(const CommandRow& row)
{
    QString what = row.what;
    for (const Argument& a : row.arguments) {
        const QString range = a.high == a.low + 1 ? u"%1 or %2"_s : u"%1 to %2"_s;
        what.replace(u'{' + a.name + u'}',
                     a.type != Argument::Type::Number
                         ? usage(a)
                         : u"%1 (%2)"_s.arg(a.name, range.arg(a.low).arg(a.high)));
    }
    return what;
}

// The names of the commands that need `needs` before them: "a, b and c".
QString namesNeeding(CommandRow::Needs needs)
{
    QStringList names;
    for (const CommandRow& row : commandRows()) {
        if (row.needs == needs && !names.contains(row.name))
            names.append(row.name);
    }
    return listed(names, u"and"_s);
}

// The text broken at blanks into lines of at most `width` characters, each after the first
// put `indent` blanks in.
QString wrapped(const QString& text, qsizetype width = kTextWidth, qsizetype indent = 0)
{
    QString lines;
    qsizetype lineStart = 0;
    for (const QString& word : text.split(u' ')) {
        if (lines.size() > lineStart && lines.size() - lineStart + 1 + word.size() > width) {
            lines += u'\n' + QString(indent, u' ');
            lineStart = lines.size();
        } else if (lines.size() > lineStart) {
            lines += u' ';
        }
        lines += word;
    }
    return lines + u'\n';
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
         "has an error. A command line of ports alone opens no port.\n"
         "\n"
         "Options (before the first command):\n"
      << "  --port N         port number 1 to " << StartupSettings::kPorts
      << ", as in the panel; the settings file's \"Ports\"\n"
         "                   section or /dev/ttyS{N-1} names its device (default: \"CommPort\")\n"
         "  --device PATH    the serial device itself, such as /dev/ttyUSB0\n"
         "  --speed S        9600 or 4800 bit/s (default: \"Setting\" as the panel reads it)\n"
         "  --settings FILE  the settings file (default: the panel's, velnor.ini beside the\n"
         "                   program, or ~/.config/velnor/velnor.ini for an installed one)\n"
         "  --json           JSON instead of text: inputs prints {\"address\":101,\"inputs\":\n"
         "                   {...}}, ports {\"devices\":[...],\"settings\":FILE}, scan\n"
         "                   {\"answering\":[...],\"garbled\":[...],\"silent\":[...],...}, watch\n"
         "                   {\"address\":101,\"inputs\":{...},\"time\":...} a line\n"
         "  --help, --version\n"
         "\n"
         "Commands, each with the bytes it sends in hex:\n";
    for (const CommandRow& row : commandRows()) {
        const QString shown = usage(row);
        s << "  " << shown.leftJustified(kUsageWidth - 2);
        if (shown.size() > kUsageWidth - 3)
            s << '\n' << QString(kUsageWidth, u' ');
        s << wrapped(whatOf(row), kWhatWidth, kUsageWidth) << QString(kUsageWidth, u' ')
          << framesOf(row) << '\n';
    }
    s << '\n'
      << wrapped(namesNeeding(CommandRow::Needs::Module) +
                 u" need \"select ADDR\" or \"broadcast on\" before them; "_s +
                 namesNeeding(CommandRow::Needs::OwnModule) +
                 u" need \"select ADDR\" (upload and deselect end it). Texts go out one byte a "
                 u"character; a character the modules would take as a command goes out as '?'."_s)
      << "upload selects every module and shows \"Config. Mode\", as the configuration window\n"
         "does, then sends the setup; it needs an address 101 to 132 and bitmaps 0 to 255.\n"
         "save sends the store frame; after an upload from FILE it also writes that setup to\n"
         "the settings file's \"LCD\" section, as the panel keeps a copy of what it saved.\n"
         "scan needs nothing before it and leaves no module selected, broadcast mode ended.\n"
         "watch goes on until a signal (status 130), or with --count N until it has printed N\n"
         "lines; the next command then runs. A read without answer ends it: \"No Response\".\n"
         "commission uploads only when exactly one module answers, at 9600 or 4800 bit/s.\n"
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
    status(ExitStatus::NoAnswer,
           "no answer: \"Device Not Found\", \"No Response\", or no module found by scan");
    status(ExitStatus::ConfigurationRefused, "the setup cannot be uploaded; nothing was sent");
    status(ExitStatus::SettingsNotWritten, "save was sent, but the settings file was not written");
    status(ExitStatus::OutputLost, "every command ran, but the result could not be written");
    status(ExitStatus::SeveralModules,
           "commission: more than one module answers, or a garbled reply; nothing uploaded");
    status(ExitStatus::NotSeenInTime,
           "commission: stored, but not seen at the new address in time");
    status(ExitStatus::Interrupted, "ended by SIGINT, SIGTERM or SIGHUP between two frames");
    return text;
}

QString versionText()
{
    return u"velnor-cli %1\n"_s.arg(QStringLiteral(VELNOR_VERSION));
}

} // namespace velnor::cli
