#pragma once

#include "cli/Command.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace velnor::cli {

// One argument of a command: parsing, the error messages and --help all read it from here.
struct Argument
{
    enum class Type { Number, Choice, Line, File, Switch };

    Type type = Type::Number;
    // ROW, LINE1, FILE; a choice's words, "on|off". The name also says where in the command its
    // value goes: ADDR, ROW, COL and on|off to their own members, N and other choices to the
    // entry.
    QString name = {};
    // Number: the values accepted; Line: at most `high` characters.
    int low = 0;
    int high = 0;
    // Non-empty for a command's own option, such as --count N: given after the command's other
    // arguments, as "--count N" or "--count=N", or alone for a switch.
    QString option = {};

    QStringList choices() const { return name.split(u'|'); }
};

// One row of the command table: a command's word, its arguments, what it needs before it, what
// it sends and its line in --help. A command with two forms (cursor ROW COL, cursor hide) has
// a row for each, told apart by their first arguments.
struct CommandRow
{
    // What a command needs before it on the command line, as the panel's groups are usable only
    // after a select was acknowledged (inputs, deselect) or while broadcast mode is on (the rest).
    enum class Needs { Nothing, Module, OwnModule };

    QLatin1StringView name;
    Command::Kind kind;
    Needs needs = Needs::Nothing;
    QList<Argument> arguments = {};
    // What it does, for --help; {ROW} stands for the argument ROW with its values.
    QString what = {};
    // Arguments of examples whose frames --help shows.
    QStringList examples = {};
    // The one frame it sends; nothing for a command that sends several or none.
    QByteArray (*frame)(const Command& command) = nullptr;
    // What --help says it sends when it has no one frame.
    QString (*sends)() = nullptr;
};

// Every command velnor-cli knows, in the order --help lists them. Adding a command is a row
// here and its handler in the session.
const QList<CommandRow>& commandRows();

// A command line as parsed: the options, then the commands in the order they run.
struct Invocation
{
    enum class Action { Run, Help, Version };

    Action action = Action::Run;
    std::optional<int> port;
    QString device;
    std::optional<int> speed;
    QString settingsFile;
    bool json = false;
    QList<Command> commands;
};

struct UsageError
{
    QString text;
};

// Options come first, then commands; each command takes the arguments its row of the table
// gives, so a text argument may look like an option or a number, and options after a command
// are that command's own. The whole line is checked before anything is opened or sent: every
// value, and that each command has what it needs before it (a command for a module needs
// select or broadcast on, inputs and deselect need select).
std::variant<Invocation, UsageError> parseCommandLine(const QStringList& arguments);

// One command and its arguments, without regard to what comes before it.
std::variant<Command, UsageError> parseCommand(const QStringList& words);

// "a, b or c", or with another word before the last.
QString listed(const QStringList& words, const QString& last = QStringLiteral("or"));

} // namespace velnor::cli
