#pragma once

#include "cli/Argument.h"
#include "cli/Command.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

namespace velnor::cli {

// One row of the command table: a command's word, its arguments, what it needs before it, what
// it sends and its line in --help. A command with two forms (cursor ROW COL, cursor hide) has
// a row for each, told apart by their first arguments.
struct CommandForm
{
    // What a command needs before it on the command line, as the panel's groups are usable only
    // after a select was acknowledged (inputs, deselect) or while broadcast mode is on (the rest).
    enum class Needs { Nothing, Module, OwnModule };
    // What it leaves selected for the commands after it.
    enum class Leaves {
        Same,
        OwnModule,
        NoOwnModule,
        AsSwitched,
        EveryModuleInstead,
        EveryModule,
        NoModule
    };

    QLatin1StringView name{};
    Command::Kind kind = Command::Kind::Monitor;
    Needs needs = Needs::Nothing;
    Leaves leaves = Leaves::Same;
    QList<Argument> arguments{};
    // What it does, for --help; {ROW} stands for the argument ROW with its values.
    QString what{};
    // Arguments of examples whose frames --help shows.
    QStringList examples{};
    // The one frame it sends; nothing for a command that sends several or none.
    QByteArray (*frame)(const Command& command) = nullptr;
    // What --help says it sends when it has no one frame.
    QString (*sends)() = nullptr;
    // Whether it works on the open port; a command line whose commands all do without it
    // opens none, so it runs with the port missing or held by another program.
    bool usesPort = true;

    // "cursor ROW COL", "upload [FILE]"
    QString usage() const;
    // "ROW COL", "underline, blinking or hide": what the arguments expect, for messages.
    QString expected() const;
};

} // namespace velnor::cli
