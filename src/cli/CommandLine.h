#pragma once

#include "cli/Command.h"
#include "cli/CommandTable.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace velnor::cli {

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
std::variant<Invocation, UsageError>
parseCommandLine(const QStringList& arguments,
                 const CommandTable& table = CommandTable::standard());

// One command and its arguments, without regard to what comes before it.
std::variant<Command, UsageError>
parseCommand(const QStringList& words, const CommandTable& table = CommandTable::standard());

} // namespace velnor::cli
