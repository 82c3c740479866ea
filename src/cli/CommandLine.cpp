#include "cli/CommandLine.h"

#include "link/ConfigLink.h"
#include "link/Exchange.h"
#include "shared/Formats.h"
#include "protocol/Frames.h"
#include "protocol/ModuleSetup.h"
#include "protocol/UploadPlan.h"
#include "settings/StartupSettings.h"
#include "shared/ModuleLimits.h"
#include "shared/Wire.h"

#include <QCommandLineParser>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

using Kind = Command::Kind;
using Needs = CommandRow::Needs;
using Type = Argument::Type;

const Argument kAddress{.name = u"ADDR"_s, .low = wire::FirstAddress, .high = wire::LastAddress};
const Argument kRow{.name = u"ROW"_s, .high = limits::Rows - 1};
const Argument kColumn{.name = u"COL"_s, .high = limits::Columns - 1};
const Argument kOnOff{.type = Type::Choice, .name = u"on|off"_s};
const Argument kJson{.type = Type::Switch, .option = u"--json"_s};
// An hour between reads, and a million lines, are more than any watch needs; bounds that keep
// the numbers small.
constexpr int kLongestInterval = 3'600'000;
constexpr int kMostLines = 1'000'000;

// What the panel lists from 1 and the frame counts from 0.
Argument counted(int count)
{
    return {.name = u"N"_s, .low = 1, .high = count};
}

Argument line(const QString& name)
{
    return {.type = Type::Line, .name = name, .high = limits::Columns};
}

// What the upload sends, from the plan of a setup that passes.
QString uploadSends()
{
    ModuleSetup sample;
    sample.uid = QString::number(wire::FirstAddress);
    sample.bitmaps.fill(u"0"_s);
    qsizetype bytes = 0;
    int waits = 0;
    const auto plan = planUpload(sample);
    for (const UploadStep& step : std::get<QList<UploadStep>>(plan)) {
        bytes += step.bytes.size();
        waits += step.waitAfter ? 1 : 0;
    }
    return u"%1 \"%2\", then %3 bytes with %4 waits of %5 ms"_s
        .arg(formats::hex(frames::enterConfiguration()), frames::kConfigModeText)
        .arg(bytes)
        .arg(waits)
        .arg(ConfigLink::kTickMs);
}

QString scanSends()
{
    return u"%1 to %2, %3 ticks each, and %4 after each that answered"_s
        .arg(formats::hex(frames::select(wire::FirstAddress)),
             formats::hex(frames::select(wire::LastAddress)))
        .arg(Exchange::kAnswerTicks)
        .arg(formats::hex(frames::deselect()));
}

QList<CommandRow> standardRows()
{
    const QString answer = u"waits %1 ticks for EE ADDR"_s.arg(Exchange::kAnswerTicks);
    return {
        {.name = "select"_L1,
         .kind = Kind::Select,
         .arguments = {kAddress},
         .what = u"selects module {ADDR}; "_s + answer,
         .examples = {u"105"_s},
         .frame = [](const Command& c) { return frames::select(quint8(c.address)); }},
        {.name = "deselect"_L1,
         .kind = Kind::Deselect,
         .needs = Needs::OwnModule,
         .what = u"releases the module selected; "_s + answer,
         .frame = [](const Command&) { return frames::deselect(); }},
        {.name = "broadcast"_L1,
         .kind = Kind::Broadcast,
         .arguments = {kOnOff},
         .what = u"selects every module at once (address %1), or stops"_s.arg(wire::Broadcast),
         .examples = {u"on"_s, u"off"_s},
         .frame =
             [](const Command& c) {
                 return c.on ? frames::broadcastOn() : frames::broadcastOff();
             }},
        {.name = "text"_L1,
         .kind = Kind::Text,
         .needs = Needs::Module,
         .arguments = {line(u"LINE1"_s), line(u"LINE2"_s)},
         .what = u"clears the display and writes two rows of %1 at most"_s.arg(limits::Columns),
         .examples = {u"AB CD"_s},
         .frame =
             [](const Command& c) {
                 const auto frame = frames::text(c.line1, c.line2);
                 return frame ? frame->bytes : QByteArray();
             }},
        {.name = "clear"_L1,
         .kind = Kind::Clear,
         .needs = Needs::Module,
         .what = u"clears the display"_s,
         .frame = [](const Command&) { return frames::clearDisplay(); }},
        {.name = "predefined"_L1,
         .kind = Kind::Predefined,
         .needs = Needs::Module,
         .arguments = {counted(limits::Texts), kRow},
         .what = u"shows stored text {N} on row {ROW}"_s,
         .examples = {u"10 1"_s},
         .frame = [](const Command& c) { return frames::predefinedText(c.entry, c.row); }},
        {.name = "cursor"_L1,
         .kind = Kind::CursorPosition,
         .needs = Needs::Module,
         .arguments = {kRow, kColumn},
         .what = u"moves the cursor to row {ROW}, column {COL}"_s,
         .examples = {u"1 15"_s},
         .frame = [](const Command& c) { return frames::cursorPosition(c.row, c.column); }},
        {.name = "cursor"_L1,
         .kind = Kind::CursorLook,
         .needs = Needs::Module,
         .arguments = {{.type = Type::Choice, .name = u"underline|blinking|hide"_s}},
         .what = u"sets the cursor's look"_s,
         .examples = {u"underline"_s, u"blinking"_s, u"hide"_s},
         .frame = [](const Command& c) { return frames::cursorLook(c.entry); }},
        {.name = "clear-row"_L1,
         .kind = Kind::ClearRow,
         .needs = Needs::Module,
         .arguments = {kRow},
         .what = u"clears row {ROW}"_s,
         .examples = {u"0"_s},
         .frame = [](const Command& c) { return frames::clearRow(c.row); }},
        {.name = "clear-column"_L1,
         .kind = Kind::ClearColumn,
         .needs = Needs::Module,
         .arguments = {kColumn},
         .what = u"clears column {COL}"_s,
         .examples = {u"7"_s},
         .frame = [](const Command& c) { return frames::clearColumn(c.column); }},
        {.name = "backlight"_L1,
         .kind = Kind::Backlight,
         .needs = Needs::Module,
         .arguments = {{.type = Type::Choice, .name = u"on|off|flash"_s}},
         .what = u"switches the backlight on, off or to flashing"_s,
         .examples = {u"on"_s, u"off"_s, u"flash"_s},
         .frame = [](const Command& c) { return frames::backlight(c.entry); }},
        {.name = "char"_L1,
         .kind = Kind::Character,
         .needs = Needs::Module,
         .arguments = {counted(limits::CustomCharacters)},
         .what = u"shows custom character {N} at the cursor"_s,
         .examples = {u"1"_s},
         .frame = [](const Command& c) { return frames::customCharacter(c.entry); }},
        {.name = "inputs"_L1,
         .kind = Kind::Inputs,
         .needs = Needs::OwnModule,
         .what = u"reads the eight inputs; "_s + answer + u" i1 i2"_s,
         .frame = [](const Command&) { return frames::readInputs(); }},
        {.name = "output"_L1,
         .kind = Kind::Output,
         .needs = Needs::Module,
         .arguments = {counted(limits::Outputs), kOnOff},
         .what = u"switches output {N} on or off"_s,
         .examples = {u"1 on"_s, u"8 off"_s},
         .frame = [](const Command& c) { return frames::setOutput(c.entry, c.on); }},
        {.name = "outputs"_L1,
         .kind = Kind::Outputs,
         .needs = Needs::Module,
         .arguments = {kOnOff},
         .what = u"switches all eight outputs on or off"_s,
         .examples = {u"on"_s, u"off"_s},
         .frame =
             [](const Command& c) {
                 return c.on ? frames::allOutputsOn() : frames::allOutputsOff();
             }},
        // The panel's serial-number button works with or without a selection.
        {.name = "serial"_L1,
         .kind = Kind::Serial,
         .what = u"has the module show its serial number"_s,
         .frame = [](const Command&) { return frames::showSerialNumber(); }},
        // Upload and save select every module themselves, as the configuration window does; the
        // upload ends with the one-byte deselect.
        {.name = "upload"_L1,
         .kind = Kind::Upload,
         .arguments = {{.type = Type::File, .name = u"FILE"_s}},
         .what = u"sends the \"LCD\" setup of the settings file or FILE to all"_s,
         .sends = uploadSends},
        {.name = "save"_L1,
         .kind = Kind::Save,
         .what = u"has every module store what it was sent"_s,
         .frame = [](const Command&) { return frames::saveToNonVolatileMemory(); }},
        {.name = "monitor"_L1,
         .kind = Kind::Monitor,
         .what = u"from here on prints bytes sent (>) and received (<), named"_s,
         .sends = [] { return u"sends nothing"_s; }},
        {.name = "ports"_L1,
         .kind = Kind::Ports,
         .arguments = {kJson},
         .what = u"lists the serial devices and the port numbers that reach them"_s,
         .sends = [] { return u"sends nothing; alone, it opens no port"_s; }},
        {.name = "scan"_L1,
         .kind = Kind::Scan,
         .arguments = {{.type = Type::Switch, .option = u"--both-speeds"_s}, kJson},
         .what = u"selects each address in turn, deselects each that answered and prints them; "
                 u"--both-speeds at 9600 and at 4800 bit/s"_s,
         .sends = scanSends},
        {.name = "watch"_L1,
         .kind = Kind::Watch,
         .needs = Needs::OwnModule,
         .arguments = {{.name = u"MS"_s, .high = kLongestInterval, .option = u"--interval"_s},
                       {.name = u"N"_s, .low = 1, .high = kMostLines, .option = u"--count"_s},
                       kJson},
         .what =
             u"reads the inputs again and again, one read every {MS} ms or one after "
             u"another, and prints the time and the eight states at the first answer and at each "
             u"change, until {N} lines or a signal"_s,
         .frame = [](const Command&) { return frames::readInputs(); }},
        {.name = "commission"_L1,
         .kind = Kind::Commission,
         .arguments = {{.type = Type::File, .name = u"FILE"_s},
                       {.name = kAddress.name,
                        .low = kAddress.low,
                        .high = kAddress.high,
                        .option = u"--address"_s},
                       {.name = u"S"_s,
                        .low = 1,
                        .high = kLongestInterval / 1000,
                        .option = u"--timeout"_s},
                       kJson},
         .what = u"finds the one module on the line at either speed, uploads FILE with address "
                 u"{ADDR} and stores it, then waits up to {S} s (60) for it at {ADDR}"_s,
         .sends = [] { return u"scan --both-speeds, upload, save, select, inputs"_s; }},
    };
}

// Plain decimal digits, as the panel's lists show their entries; no more of them than the
// largest value accepted needs (three at least), so that no count overflows.
std::optional<int> decimal(const QString& word, int high)
{
    const qsizetype most = std::max<qsizetype>(3, QString::number(high).size());
    if (word.isEmpty() || word.size() > most)
        return std::nullopt;
    int value = 0;
    for (const QChar c : word) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<int> choiceOf(const Argument& argument, const QString& word)
{
    const QStringList choices = argument.choices();
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (QString::compare(word, choices.at(i), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return std::nullopt;
}

// A number, or a choice's index, from the word (none when it is missing); or why not.
std::variant<int, QString> valueOf(const Argument& argument, const QString* word)
{
    if (argument.type == Type::Choice) {
        if (const auto chosen = word ? choiceOf(argument, *word) : std::nullopt)
            return *chosen;
        return u"expected "_s + listed(argument.choices()) +
               (word ? u", not \"%1\""_s.arg(*word) : QString());
    }
    const std::optional<int> value = word ? decimal(*word, argument.high) : std::nullopt;
    if (value && *value >= argument.low && *value <= argument.high)
        return *value;
    if (value && *value == wire::Broadcast && argument.name == kAddress.name)
        return u"%1 is the broadcast address, which no module has: use \"broadcast on\""_s.arg(
            *value);
    const QString range = u"a number from %1 to %2"_s.arg(argument.low).arg(argument.high);
    return word ? u"%1 must be %2, not \"%3\""_s.arg(argument.name, range, *word)
                : u"%1 is missing: %2"_s.arg(argument.name, range);
}

// Whether the word can start this argument, to tell forms of one command apart.
bool fits(const Argument& argument, const QString& word)
{
    if (argument.type == Type::Number)
        return decimal(word, argument.high).has_value();
    return argument.type != Type::Choice || choiceOf(argument, word).has_value();
}

// "ROW COL", "underline, blinking or hide": what the arguments expect, for messages.
QString expected(const CommandRow& row)
{
    QStringList words;
    for (const Argument& argument : row.arguments) {
        if (argument.option.isEmpty())
            words.append(argument.type == Type::Choice ? listed(argument.choices())
                                                       : argument.name);
    }
    return words.join(u' ');
}

QList<const CommandRow*> rowsNamed(const QString& name)
{
    QList<const CommandRow*> found;
    for (const CommandRow& row : commandRows()) {
        if (name == row.name)
            found.append(&row);
    }
    return found;
}

// The words of a command line, taken one at a time.
struct Words
{
    QStringList list;
    qsizetype at = 0;

    bool atEnd() const { return at >= list.size(); }
    const QString* take() { return atEnd() ? nullptr : &list.at(at++); }
};

// Puts a value where the command keeps it, by the argument's option or name; two lines by their
// place in the row.
void store(Command& c, const Argument& argument, qsizetype index, int value, const QString& text)
{
    if (argument.option == u"--json")
        c.json = true;
    else if (argument.option == u"--both-speeds")
        c.bothSpeeds = true;
    else if (argument.option == u"--interval")
        c.intervalMs = value;
    else if (argument.option == u"--count")
        c.count = value;
    else if (argument.option == u"--timeout")
        c.seconds = value;
    else if (argument.type == Type::Line)
        (index == 0 ? c.line1 : c.line2) = text;
    else if (argument.type == Type::File)
        c.file = text;
    else if (argument.name == kAddress.name)
        c.address = value;
    else if (argument.name == kRow.name)
        c.row = value;
    else if (argument.name == kColumn.name)
        c.column = value;
    else if (argument.name == kOnOff.name)
        c.on = value == 0;
    else // what the panel lists from 1 is an entry counted from 0; a choice is its index
        c.entry = argument.name == u"N" ? value - 1 : value;
}

// Takes the argument's words into the command: why they do not fit, or nothing.
QString take(const CommandRow& row, qsizetype index, Words& words, Command& command)
{
    const Argument& argument = row.arguments.at(index);
    if (argument.type == Type::Switch) {
        store(command, argument, index, 0, {});
        return {};
    }
    const QString* word = words.take();
    if (argument.type == Type::Line || argument.type == Type::File) {
        if (argument.type == Type::File && (!word || word->isEmpty()))
            return argument.name + u" is empty"_s;
        if (!word)
            return u"expected %1 (\"\" for an empty line)"_s.arg(expected(row));
        if (argument.type == Type::Line && word->size() > argument.high)
            return u"%1 has %2 characters; a row holds %3"_s.arg(argument.name)
                .arg(word->size())
                .arg(argument.high);
        store(command, argument, index, 0, *word);
        return {};
    }
    const auto value = valueOf(argument, word);
    if (const auto* why = std::get_if<QString>(&value))
        return *why;
    store(command, argument, index, std::get<int>(value), {});
    return {};
}

// The command's own options, in any order, as --name VALUE, --name=VALUE or a bare switch.
QString takeOptions(const CommandRow& row, Words& words, Command& command)
{
    while (!words.atEnd()) {
        const QString word = words.list.at(words.at);
        const qsizetype equals = word.indexOf(u'=');
        const auto option =
            std::find_if(row.arguments.begin(), row.arguments.end(), [&](const Argument& a) {
                return !a.option.isEmpty() && a.option == word.left(equals);
            });
        if (option == row.arguments.end())
            return {};
        words.take();
        if (option->type == Type::Switch && equals >= 0)
            return option->option + u" takes no value"_s;
        Words attached{equals >= 0 ? QStringList{word.mid(equals + 1)} : QStringList()};
        const QString error =
            take(row, option - row.arguments.begin(), equals >= 0 ? attached : words, command);
        if (!error.isEmpty())
            return option->option + u": "_s + error;
    }
    return {};
}

std::variant<Command, UsageError> takeCommand(Words& words, const CommandRow** found = nullptr)
{
    const qsizetype start = words.at;
    const QString* taken = words.take();
    const QString name = taken ? *taken : QString();
    const QList<const CommandRow*> rows = rowsNamed(name);
    if (rows.isEmpty()) {
        QStringList names;
        for (const CommandRow& row : commandRows()) {
            if (!names.contains(row.name))
                names.append(row.name);
        }
        const QString hint = name.startsWith(u'-') ? u"options go before the first command"_s
                                                   : u"the commands are "_s + names.join(u", "_s);
        return UsageError{u"unknown command \"%1\"; %2"_s.arg(name, hint)};
    }
    // The form that the words after the name fit.
    const QString* next = words.atEnd() ? nullptr : &words.list.at(words.at);
    const CommandRow* row = rows.size() == 1 ? rows.first() : nullptr;
    QStringList forms;
    for (const CommandRow* form : rows) {
        if (!row && next && !form->arguments.isEmpty() && fits(form->arguments.first(), *next))
            row = form;
        forms.append(expected(*form));
    }
    if (!row)
        return UsageError{name + u": expected "_s + forms.join(u", or "_s) +
                          (next ? u", not \"%1\""_s.arg(*next) : QString())};
    Command command;
    command.kind = row->kind;
    for (qsizetype i = 0; i < row->arguments.size(); ++i) {
        const Argument& argument = row->arguments.at(i);
        // A file that may be left out: write ./save for a file called save.
        const bool leftOut = argument.type == Type::File &&
                             (words.atEnd() || !rowsNamed(words.list.at(words.at)).isEmpty());
        if (!argument.option.isEmpty() || leftOut)
            continue;
        if (const QString error = take(*row, i, words, command); !error.isEmpty())
            return UsageError{name + u": "_s + error};
    }
    if (const QString error = takeOptions(*row, words, command); !error.isEmpty())
        return UsageError{name + u": "_s + error};
    command.words = words.list.mid(start, words.at - start);
    if (found)
        *found = row;
    return command;
}

// Which modules the frames sent so far have selected, as far as the command line tells.
struct SelectedSoFar
{
    bool own = false;
    bool broadcast = false;

    QString admit(const CommandRow& row, const Command& command)
    {
        if (row.needs == Needs::Module && !own && !broadcast) {
            return u"%1: no module is selected before it; put \"select ADDR\" or \"broadcast on\" "
                   u"first"_s.arg(row.name);
        }
        if (row.needs == Needs::OwnModule && !own) {
            return u"%1: needs \"select ADDR\" before it, with no deselect or upload in between: "
                   u"it waits for that module's answer"_s.arg(row.name);
        }
        // Upload and save select every module; the upload ends with a deselect; a scan selects
        // every address in turn and ends broadcast mode.
        own = command.kind == Kind::Select ||
              (own && command.kind != Kind::Deselect && command.kind != Kind::Upload &&
               command.kind != Kind::Scan && command.kind != Kind::Commission);
        if (command.kind == Kind::Broadcast)
            broadcast = command.on;
        else if (command.kind == Kind::Upload || command.kind == Kind::Save)
            broadcast = true;
        else if (command.kind == Kind::Scan || command.kind == Kind::Commission)
            broadcast = false;
        return {};
    }
};

// The program's own options. The parser only splits them from the commands; their values are
// checked here, so that a message says what is accepted.
struct Options
{
    QCommandLineOption port{u"port"_s, {}, u"N"_s};
    QCommandLineOption device{u"device"_s, {}, u"PATH"_s};
    QCommandLineOption speed{u"speed"_s, {}, u"S"_s};
    QCommandLineOption settings{u"settings"_s, {}, u"FILE"_s};
    QCommandLineOption json{u"json"_s};
    QCommandLineOption help{{u"h"_s, u"help"_s}};
    QCommandLineOption version{u"version"_s};

    QList<QCommandLineOption> all() const
    {
        return {port, device, speed, settings, json, help, version};
    }

    // Why an option's value is refused, or nothing; a missing value as none.
    static QString refusal(const QString& name, const QString* value)
    {
        QString why;
        if (name == u"port" || name == u"speed") {
            const Argument accepted =
                name == u"port"
                    ? Argument{.name = u"N"_s, .low = 1, .high = StartupSettings::kPorts}
                    : Argument{.type = Type::Choice,
                               .name = u"%1|%2"_s.arg(wire::FastSpeed).arg(wire::SlowSpeed)};
            const auto value_ = valueOf(accepted, value);
            if (const auto* refused = std::get_if<QString>(&value_))
                why = *refused;
        } else if (!value || value->isEmpty()) {
            why = u"a path is missing"_s;
        }
        return why.isEmpty() ? why : u"--%1: %2"_s.arg(name, why);
    }
};

// The option's name in a word: "port" in --port, -port or --port=3.
QString optionName(const QString& word)
{
    qsizetype start = 0;
    while (start < word.size() && start < 2 && word.at(start) == u'-')
        ++start;
    return word.mid(start).section(u'=', 0, 0);
}

// Why the parser refused the options. It takes the word after an option that needs a value
// whatever that word is, so a value is missing only at the very end; otherwise a switch was
// given a value.
QString parserRefusal(const QCommandLineParser& parser, const QStringList& arguments,
                      const Options& options)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        const auto word = std::find_if(arguments.begin(), arguments.end(), [&](const QString& w) {
            return w.startsWith(u'-') && optionName(w) == name;
        });
        QStringList names;
        for (const QCommandLineOption& option : options.all())
            names.append(u"--"_s + option.names().last());
        return u"unknown option \"%1\"; the options are %2"_s.arg(
            word != arguments.end() ? *word : name, listed(names, u"and"_s));
    }
    const QString& last = arguments.last();
    if (last.startsWith(u'-') && !last.contains(u'=') && optionName(last) != u"json")
        return Options::refusal(optionName(last), nullptr);
    return u"--json takes no value"_s;
}

} // namespace

const QList<CommandRow>& commandRows()
{
    static const QList<CommandRow> rows = standardRows();
    return rows;
}

QByteArray frameOf(const Command& command)
{
    for (const CommandRow& row : commandRows()) {
        if (row.kind == command.kind)
            return row.frame ? row.frame(command) : QByteArray();
    }
    return {};
}

QString listed(const QStringList& words, const QString& last)
{
    QString text;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += i + 1 == words.size() ? u' ' + last + u' ' : u", "_s;
        text += words.at(i);
    }
    return text;
}

std::variant<Invocation, UsageError> parseCommandLine(const QStringList& arguments)
{
    const Options o;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOptions(o.all());
    const bool parsed = parser.parse(QStringList{u"velnor-cli"_s} + arguments);

    Invocation invocation;
    if (parser.isSet(o.help) || parser.isSet(o.version)) {
        invocation.action =
            parser.isSet(o.help) ? Invocation::Action::Help : Invocation::Action::Version;
        return invocation;
    }
    if (!parsed)
        return UsageError{parserRefusal(parser, arguments, o)};
    for (const QCommandLineOption* option : {&o.port, &o.speed, &o.device, &o.settings}) {
        if (!parser.isSet(*option))
            continue;
        const QString value = parser.value(*option);
        if (const QString why = Options::refusal(option->names().first(), &value); !why.isEmpty())
            return UsageError{why};
    }
    if (parser.isSet(o.port))
        invocation.port = parser.value(o.port).toInt();
    if (parser.isSet(o.speed))
        invocation.speed = parser.value(o.speed).toInt();
    invocation.device = parser.value(o.device);
    invocation.settingsFile = parser.value(o.settings);
    invocation.json = parser.isSet(o.json);
    if (invocation.port && !invocation.device.isEmpty())
        return UsageError{u"--port and --device both name the port; give one of them"_s};

    Words words{parser.positionalArguments()};
    if (words.atEnd())
        return UsageError{u"no command given; for example: select 101 inputs"_s};
    SelectedSoFar selected;
    while (!words.atEnd()) {
        const CommandRow* row = nullptr;
        auto taken = takeCommand(words, &row);
        if (auto* error = std::get_if<UsageError>(&taken))
            return *error;
        Command& command = std::get<Command>(taken);
        command.json = command.json || invocation.json;
        if (const QString refusal = selected.admit(*row, command); !refusal.isEmpty())
            return UsageError{refusal};
        invocation.commands.append(std::move(command));
    }
    return invocation;
}

std::variant<Command, UsageError> parseCommand(const QStringList& list)
{
    Words words{list};
    auto taken = takeCommand(words);
    if (std::holds_alternative<Command>(taken) && !words.atEnd())
        return UsageError{u"\"%1\" follows a whole command"_s.arg(words.list.at(words.at))};
    return taken;
}

} // namespace velnor::cli
