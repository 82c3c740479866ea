#include "cli/CommandLine.h"

#include "settings/StartupSettings.h"
#include "shared/Wire.h"

#include <QCommandLineParser>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

using Needs = CommandForm::Needs;
using Leaves = CommandForm::Leaves;

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
    // "--port, --device, ... and --version"
    QString names() const
    {
        QStringList names;
        for (const QCommandLineOption& option : all())
            names.append(u"--"_s + option.names().last());
        return listed(names, u"and"_s);
    }

    const Argument portNumber =
        Argument::numbered(u"N"_s, 1, StartupSettings::kPorts, &Command::entry);
    const Argument speeds = Argument::choice(
        {QString::number(wire::FastSpeed), QString::number(wire::SlowSpeed)}, &Command::entry);

    // Why an option's value is refused, or nothing; a missing value as none.
    QString refusal(const QString& name, const std::optional<QString>& value) const
    {
        QString why;
        Words words(value ? QStringList{*value} : QStringList());
        if (name == u"port")
            portNumber.read(words, why);
        else if (name == u"speed")
            speeds.read(words, why);
        else if (!value || value->isEmpty())
            why = u"a path is missing"_s;
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
        return u"unknown option \"%1\"; the options are %2"_s.arg(
            word != arguments.end() ? *word : name, options.names());
    }
    const QString& last = arguments.last();
    if (last.startsWith(u'-') && !last.contains(u'=') && optionName(last) != u"json")
        return options.refusal(optionName(last), std::nullopt);
    return u"--json takes no value"_s;
}

// The form of the command that the words after its name fit, or why none does.
std::variant<const CommandForm*, QString> formFor(const QList<const CommandForm*>& forms,
                                                  const Words& words)
{
    if (forms.size() == 1)
        return forms.first();
    QStringList expected;
    for (const CommandForm* form : forms) {
        if (!words.atEnd() && !form->arguments.isEmpty() &&
            form->arguments.first().fits(words.peek()))
            return form;
        expected.append(form->expected());
    }
    return u"expected "_s + expected.join(u", or "_s) +
           (words.atEnd() ? QString() : u", not \"%1\""_s.arg(words.peek()));
}

// The command's own options, in any order, as --name VALUE, --name=VALUE or a bare switch.
QString takeOptions(const QList<const Argument*>& options, Words& words, Command& command)
{
    while (!words.atEnd()) {
        const QString word = words.peek();
        const qsizetype equals = word.indexOf(u'=');
        const auto option = std::find_if(options.begin(), options.end(), [&](const Argument* a) {
            return a->option == word.left(equals);
        });
        if (option == options.end())
            return {};
        words.take();
        const Argument& argument = **option;
        if (argument.type == Argument::Type::Switch && equals >= 0)
            return argument.option + u" takes no value"_s;
        Words attached(equals >= 0 ? QStringList{word.mid(equals + 1)} : QStringList());
        const QString error = argument.take(equals >= 0 ? attached : words, command);
        if (!error.isEmpty())
            return argument.option + u": "_s + error;
    }
    return {};
}

QString takeArguments(const CommandForm& form, const CommandTable& table, Words& words,
                      Command& command)
{
    QList<const Argument*> options;
    for (const Argument& argument : form.arguments) {
        if (!argument.option.isEmpty()) {
            options.append(&argument);
            continue;
        }
        // A file that may be left out: write ./save for a file called save.
        if (argument.optional && (words.atEnd() || !table.named(words.peek()).isEmpty()))
            continue;
        const QString error = argument.take(words, command, form.expected());
        if (!error.isEmpty())
            return error;
    }
    return takeOptions(options, words, command);
}

std::variant<Command, UsageError> takeCommand(Words& words, const CommandTable& table,
                                              const CommandForm** found = nullptr)
{
    const qsizetype start = words.at();
    const QString name = words.take().value_or(QString());
    const QList<const CommandForm*> forms = table.named(name);
    if (forms.isEmpty()) {
        const QString hint = name.startsWith(u'-')
                                 ? u"options go before the first command"_s
                                 : u"the commands are "_s + table.names().join(u", "_s);
        return UsageError{u"unknown command \"%1\"; %2"_s.arg(name, hint)};
    }
    const auto chosen = formFor(forms, words);
    if (const auto* why = std::get_if<QString>(&chosen))
        return UsageError{name + u": "_s + *why};
    const CommandForm& form = *std::get<const CommandForm*>(chosen);
    Command command;
    command.kind = form.kind;
    const QString error = takeArguments(form, table, words, command);
    if (!error.isEmpty())
        return UsageError{name + u": "_s + error};
    command.words = words.since(start);
    if (found)
        *found = &form;
    return command;
}

// Which modules the frames sent so far have selected, as far as the command line tells.
struct Selection
{
    bool own = false;
    bool broadcast = false;

    QString admit(const CommandForm& form, const Command& command)
    {
        if (form.needs == Needs::Module && !own && !broadcast) {
            return u"%1: no module is selected before it; put \"select ADDR\" or \"broadcast on\" "
                   u"first"_s.arg(form.name);
        }
        if (form.needs == Needs::OwnModule && !own) {
            return u"%1: needs \"select ADDR\" before it, with no deselect or upload in between: "
                   u"it waits for that module's answer"_s.arg(form.name);
        }
        switch (form.leaves) {
        case Leaves::Same:
            break;
        case Leaves::OwnModule:
            own = true;
            break;
        case Leaves::NoOwnModule:
            own = false;
            break;
        case Leaves::AsSwitched:
            broadcast = command.on;
            break;
        case Leaves::EveryModuleInstead:
            own = false;
            broadcast = true;
            break;
        case Leaves::EveryModule:
            broadcast = true;
            break;
        case Leaves::NoModule:
            own = false;
            broadcast = false;
            break;
        }
        return {};
    }
};

} // namespace

std::variant<Invocation, UsageError> parseCommandLine(const QStringList& arguments,
                                                      const CommandTable& table)
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
        const QString name = option->names().first();
        const QString value = parser.value(*option);
        if (const QString why = o.refusal(name, value); !why.isEmpty())
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

    Words words(parser.positionalArguments());
    if (words.atEnd())
        return UsageError{u"no command given; for example: select 101 inputs"_s};
    Selection selection;
    while (!words.atEnd()) {
        const CommandForm* form = nullptr;
        auto taken = takeCommand(words, table, &form);
        if (auto* error = std::get_if<UsageError>(&taken))
            return *error;
        Command& command = std::get<Command>(taken);
        command.json = command.json || invocation.json;
        const QString refusal = selection.admit(*form, command);
        if (!refusal.isEmpty())
            return UsageError{refusal};
        invocation.commands.append(std::move(command));
    }
    return invocation;
}

std::variant<Command, UsageError> parseCommand(const QStringList& list, const CommandTable& table)
{
    Words words(list);
    auto taken = takeCommand(words, table);
    if (std::holds_alternative<Command>(taken) && !words.atEnd())
        return UsageError{u"\"%1\" follows a whole command"_s.arg(words.peek())};
    return taken;
}

} // namespace velnor::cli
