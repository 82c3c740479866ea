#include "cli/CommandLine.h"

#include "settings/ModuleSetup.h"
#include "shared/Wire.h"

#include <QLatin1StringView>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

using Kind = Command::Kind;

constexpr int kPorts = 20;
constexpr int kRows = 2;
constexpr int kColumns = 16;
constexpr int kTexts = 10;
constexpr int kCharacters = 8;
constexpr int kOutputs = 8;

// What a command needs before it on the command line, as the panel's groups are usable only
// after a select was acknowledged (inputs, deselect) or while broadcast mode is on (the rest).
enum class Needs { Nothing, Module, OwnModule };

// The words of a command line, taken one at a time.
class Words
{
public:
    Words(const QStringList& list, qsizetype at) : m_list(list), m_at(at) {}

    qsizetype at() const { return m_at; }
    bool atEnd() const { return m_at >= m_list.size(); }
    const QString& peek() const { return m_list.at(m_at); }
    std::optional<QString> take()
    {
        if (atEnd())
            return std::nullopt;
        return m_list.at(m_at++);
    }
    QStringList since(qsizetype start) const { return m_list.mid(start, m_at - start); }

private:
    const QStringList& m_list;
    qsizetype m_at;
};

// "a, b or c"
QString alternatives(const QList<QLatin1StringView>& words)
{
    QString text;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += i + 1 == words.size() ? u" or "_s : u", "_s;
        text += words.at(i);
    }
    return text;
}

// Plain decimal digits, as the panel's lists show their entries.
std::optional<int> decimal(const QString& word)
{
    if (word.isEmpty() || word.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const QChar c : word) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

QString numberError(const QString& name, int low, int high, const std::optional<QString>& word)
{
    const QString range = u"a number from %1 to %2"_s.arg(low).arg(high);
    if (!word)
        return u"%1 is missing: %2"_s.arg(name, range);
    return u"%1 must be %2, not \"%3\""_s.arg(name, range, *word);
}

// Each take function returns why the words do not fit, or nothing.
QString takeNumber(Words& words, const QString& name, int low, int high, int& value)
{
    const std::optional<QString> word = words.take();
    const std::optional<int> number = word ? decimal(*word) : std::nullopt;
    if (!number || *number < low || *number > high)
        return numberError(name, low, high, word);
    value = *number;
    return {};
}

std::optional<int> choiceOf(const QString& word, const QList<QLatin1StringView>& accepted)
{
    for (qsizetype i = 0; i < accepted.size(); ++i) {
        if (QString::compare(word, accepted.at(i), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return std::nullopt;
}

QString takeChoice(Words& words, const QList<QLatin1StringView>& accepted, int& index)
{
    const std::optional<QString> word = words.take();
    if (!word)
        return u"expected %1"_s.arg(alternatives(accepted));
    const std::optional<int> chosen = choiceOf(*word, accepted);
    if (!chosen)
        return u"expected %1, not \"%2\""_s.arg(alternatives(accepted), *word);
    index = *chosen;
    return {};
}

const QList<QLatin1StringView> kOnOff = {"on"_L1, "off"_L1};
const QList<QLatin1StringView> kLooks = {"underline"_L1, "blinking"_L1, "hide"_L1};
const QList<QLatin1StringView> kBacklight = {"on"_L1, "off"_L1, "flash"_L1};

QString takeOnOff(Words& words, bool& on)
{
    int index = 0;
    const QString error = takeChoice(words, kOnOff, index);
    on = index == 0;
    return error;
}

QString takeLine(Words& words, const QString& name, QString& line)
{
    const std::optional<QString> word = words.take();
    if (!word)
        return u"expected LINE1 LINE2 (\"\" for an empty line)"_s;
    if (word->size() > ModuleSetup::kTextLength) {
        return u"%1 has %2 characters; a row holds %3"_s.arg(name)
            .arg(word->size())
            .arg(ModuleSetup::kTextLength);
    }
    line = *word;
    return {};
}

bool isCommandName(const QString& word);

QString none(Words&, Command&)
{
    return {};
}

QString parseSelect(Words& words, Command& c)
{
    if (!words.atEnd() && decimal(words.peek()) == wire::Broadcast) {
        return u"%1 is the broadcast address, which no module has: use \"broadcast on\""_s.arg(
            wire::Broadcast);
    }
    return takeNumber(words, u"ADDR"_s, wire::FirstAddress, wire::LastAddress, c.address);
}

QString parseBroadcast(Words& words, Command& c)
{
    return takeOnOff(words, c.on);
}

QString parseText(Words& words, Command& c)
{
    QString error = takeLine(words, u"LINE1"_s, c.line1);
    if (error.isEmpty())
        error = takeLine(words, u"LINE2"_s, c.line2);
    return error;
}

QString parsePredefined(Words& words, Command& c)
{
    int number = 0;
    QString error = takeNumber(words, u"N"_s, 1, kTexts, number);
    c.entry = number - 1;
    if (error.isEmpty())
        error = takeNumber(words, u"ROW"_s, 0, kRows - 1, c.row);
    return error;
}

QString parseCursor(Words& words, Command& c)
{
    if (!words.atEnd()) {
        if (const std::optional<int> look = choiceOf(words.peek(), kLooks)) {
            words.take();
            c.kind = Kind::CursorLook;
            c.entry = *look;
            return {};
        }
    }
    if (words.atEnd() || !decimal(words.peek()))
        return u"expected ROW COL, or %1%2"_s.arg(
            alternatives(kLooks), words.atEnd() ? QString() : u", not \"%1\""_s.arg(words.peek()));
    QString error = takeNumber(words, u"ROW"_s, 0, kRows - 1, c.row);
    if (error.isEmpty())
        error = takeNumber(words, u"COL"_s, 0, kColumns - 1, c.column);
    return error;
}

QString parseRow(Words& words, Command& c)
{
    return takeNumber(words, u"ROW"_s, 0, kRows - 1, c.row);
}

QString parseColumn(Words& words, Command& c)
{
    return takeNumber(words, u"COL"_s, 0, kColumns - 1, c.column);
}

QString parseBacklight(Words& words, Command& c)
{
    return takeChoice(words, kBacklight, c.entry);
}

QString parseCharacter(Words& words, Command& c)
{
    int number = 0;
    const QString error = takeNumber(words, u"N"_s, 1, kCharacters, number);
    c.entry = number - 1;
    return error;
}

QString parseOutput(Words& words, Command& c)
{
    int number = 0;
    QString error = takeNumber(words, u"N"_s, 1, kOutputs, number);
    c.entry = number - 1;
    if (error.isEmpty())
        error = takeOnOff(words, c.on);
    return error;
}

QString parseOutputs(Words& words, Command& c)
{
    return takeOnOff(words, c.on);
}

// The file is optional: a word that names a command is the next command (write ./save for a
// file called save).
QString parseUpload(Words& words, Command& c)
{
    if (!words.atEnd() && !isCommandName(words.peek())) {
        c.file = *words.take();
        if (c.file.isEmpty())
            return u"FILE is empty"_s;
    }
    return {};
}

// A command word, what the command needs before it and how its arguments are read.
struct Form
{
    QLatin1StringView name;
    Kind kind;
    Needs needs;
    QString (*parse)(Words&, Command&);
};

const Form kForms[] = {
    {"select"_L1, Kind::Select, Needs::Nothing, parseSelect},
    {"deselect"_L1, Kind::Deselect, Needs::OwnModule, none},
    {"broadcast"_L1, Kind::Broadcast, Needs::Nothing, parseBroadcast},
    {"text"_L1, Kind::Text, Needs::Module, parseText},
    {"clear"_L1, Kind::Clear, Needs::Module, none},
    {"predefined"_L1, Kind::Predefined, Needs::Module, parsePredefined},
    {"cursor"_L1, Kind::CursorPosition, Needs::Module, parseCursor},
    {"clear-row"_L1, Kind::ClearRow, Needs::Module, parseRow},
    {"clear-column"_L1, Kind::ClearColumn, Needs::Module, parseColumn},
    {"backlight"_L1, Kind::Backlight, Needs::Module, parseBacklight},
    {"char"_L1, Kind::Character, Needs::Module, parseCharacter},
    {"inputs"_L1, Kind::Inputs, Needs::OwnModule, none},
    {"output"_L1, Kind::Output, Needs::Module, parseOutput},
    {"outputs"_L1, Kind::Outputs, Needs::Module, parseOutputs},
    // The panel's serial-number button works with or without a selection.
    {"serial"_L1, Kind::Serial, Needs::Nothing, none},
    // Both select every module themselves, as the configuration window does.
    {"upload"_L1, Kind::Upload, Needs::Nothing, parseUpload},
    {"save"_L1, Kind::Save, Needs::Nothing, none},
    {"monitor"_L1, Kind::Monitor, Needs::Nothing, none},
};

const Form* findForm(const QString& name)
{
    for (const Form& form : kForms) {
        if (name == form.name)
            return &form;
    }
    return nullptr;
}

bool isCommandName(const QString& word)
{
    return findForm(word) != nullptr;
}

QString commandNames()
{
    QStringList names;
    for (const Form& form : kForms)
        names.append(form.name);
    return names.join(u", "_s);
}

std::variant<Command, UsageError> takeCommand(Words& words, const Form** found = nullptr)
{
    const qsizetype start = words.at();
    const QString name = words.take().value_or(QString());
    const Form* form = findForm(name);
    if (!form) {
        const QString hint = name.startsWith(u'-') ? u"options go before the first command"_s
                                                   : u"the commands are "_s + commandNames();
        return UsageError{u"unknown command \"%1\"; %2"_s.arg(name, hint)};
    }
    Command command;
    command.kind = form->kind;
    const QString error = form->parse(words, command);
    if (!error.isEmpty())
        return UsageError{name + u": "_s + error};
    command.words = words.since(start);
    if (found)
        *found = form;
    return command;
}

// Which modules the frames sent so far have selected, as far as the command line tells.
struct Selection
{
    bool own = false;
    bool broadcast = false;

    QString admit(const Form& form, const Command& command)
    {
        if (form.needs == Needs::Module && !own && !broadcast) {
            return u"%1: no module is selected before it; put \"select ADDR\" or \"broadcast on\" "
                   u"first"_s.arg(form.name);
        }
        if (form.needs == Needs::OwnModule && !own) {
            return u"%1: needs \"select ADDR\" before it, with no deselect or upload in between: "
                   u"it waits for that module's answer"_s.arg(form.name);
        }
        switch (command.kind) {
        case Kind::Select:
            own = true;
            break;
        case Kind::Deselect:
            own = false;
            break;
        case Kind::Broadcast:
            broadcast = command.on;
            break;
        case Kind::Upload:
            // It selects every module first and ends with the one-byte deselect.
            own = false;
            broadcast = true;
            break;
        case Kind::Save:
            broadcast = true;
            break;
        default:
            break;
        }
        return {};
    }
};

} // namespace

std::variant<Invocation, UsageError> parseCommandLine(const QStringList& arguments)
{
    Invocation invocation;
    Words words(arguments, 0);
    while (!words.atEnd() && words.peek().startsWith(u'-')) {
        const QString word = *words.take();
        const qsizetype equals = word.indexOf(u'=');
        const QString name = equals > 0 ? word.left(equals) : word;
        const std::optional<QString> attached =
            equals > 0 ? std::optional<QString>(word.mid(equals + 1)) : std::nullopt;

        if (name == u"--help" || name == u"-h" || name == u"--version") {
            invocation.action =
                name == u"--version" ? Invocation::Action::Version : Invocation::Action::Help;
            return invocation;
        }
        if (name == u"--json") {
            if (attached)
                return UsageError{u"--json takes no value"_s};
            invocation.json = true;
            continue;
        }
        const bool known = name == u"--port" || name == u"--device" || name == u"--speed" ||
                           name == u"--settings";
        if (!known) {
            return UsageError{u"unknown option \"%1\"; the options are --port, --device, --speed, "
                              u"--settings, --json, --help and --version"_s.arg(word)};
        }
        // The value follows '=' or comes as the next word.
        const std::optional<QString> value = attached ? attached : words.take();
        if (name == u"--port") {
            const std::optional<int> port = value ? decimal(*value) : std::nullopt;
            if (!port || *port < 1 || *port > kPorts)
                return UsageError{u"--port: "_s + numberError(u"N"_s, 1, kPorts, value)};
            invocation.port = port;
        } else if (name == u"--speed") {
            if (!value || (*value != u"9600" && *value != u"4800")) {
                return UsageError{u"--speed: expected 9600 or 4800%1"_s.arg(
                    value ? u", not \"%1\""_s.arg(*value) : QString())};
            }
            invocation.speed = value->toInt();
        } else {
            if (!value || value->isEmpty())
                return UsageError{u"%1: a path is missing"_s.arg(name)};
            (name == u"--device" ? invocation.device : invocation.settingsFile) = *value;
        }
    }
    if (invocation.port && !invocation.device.isEmpty())
        return UsageError{u"--port and --device both name the port; give one of them"_s};
    if (words.atEnd())
        return UsageError{u"no command given; for example: select 101 inputs"_s};

    Selection selection;
    while (!words.atEnd()) {
        const Form* form = nullptr;
        auto parsed = takeCommand(words, &form);
        if (auto* error = std::get_if<UsageError>(&parsed))
            return *error;
        Command& command = std::get<Command>(parsed);
        const QString refusal = selection.admit(*form, command);
        if (!refusal.isEmpty())
            return UsageError{refusal};
        invocation.commands.append(std::move(command));
    }
    return invocation;
}

std::variant<Command, UsageError> parseCommand(const QStringList& list)
{
    Words words(list, 0);
    auto parsed = takeCommand(words);
    if (std::holds_alternative<Command>(parsed) && !words.atEnd())
        return UsageError{u"\"%1\" follows a whole command"_s.arg(words.peek())};
    return parsed;
}

} // namespace velnor::cli
