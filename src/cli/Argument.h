#pragma once

#include "cli/Command.h"
#include "cli/Words.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velnor::cli {

// One argument of a command: its name on the command line, what it accepts and where in the
// command its value goes. Parsing, the error messages and --help all read it from here.
struct Argument
{
    enum class Type { Number, Choice, Line, File, Switch };

    Type type = Type::Number;
    // ROW, N, LINE1, FILE.
    QString name;
    // Number: the values accepted; Line: at most `high` characters.
    int low = 0;
    int high = 0;
    // Choice: the words accepted, in any case.
    QStringList choices;
    // Where the value goes: a number less `base` (1 for what the panel counts from 1), the
    // index of a choice, whether the first of a choice's words was given, a text.
    int Command::*number = nullptr;
    int base = 0;
    bool Command::*flag = nullptr;
    QString Command::*text = nullptr;
    // May be left out; a word that names a command is then the next command.
    bool optional = false;
    // Non-empty for a command's own option, such as --count N: given after the command's other
    // arguments, as "--count N" or "--count=N", or alone for a switch.
    QString option;
    // Why a number out of range is refused, where the plain range would mislead; empty for
    // the plain range.
    QString (*outOfRange)(int value) = nullptr;

    static Argument numbered(const QString& name, int low, int high, int Command::*into,
                             int base = 0);
    static Argument choice(const QStringList& choices, int Command::*into);
    static Argument onOff(bool Command::*into);
    static Argument line(const QString& name, int most, QString Command::*into);
    static Argument optionalFile(QString Command::*into);
    static Argument switchOption(const QString& option, bool Command::*into);
    // This argument as a command's own option.
    Argument asOption(const QString& optionName) const;

    // Takes the argument's words into the command: why they do not fit, or nothing. `form` is
    // what the whole command expects, for the message about a missing line.
    QString take(Words& words, Command& command, const QString& form = {}) const;
    // A number, or a choice's index, without storing it anywhere; or why not.
    std::optional<int> read(Words& words, QString& why) const;
    // Whether the word can start this argument, to tell forms of one command apart.
    bool fits(const QString& word) const;

    // "ROW", "on|off", "[FILE]", "[--count N]": the argument in a usage line.
    QString usage() const;
    // "ROW", "on, off or flash": the argument in "expected ...".
    QString expected() const;
    // "ROW (0 or 1)": the argument with the values it takes, for --help.
    QString withRange() const;
};

// "a, b or c", or with another word before the last.
QString listed(const QStringList& words, const QString& last = QStringLiteral("or"));

} // namespace velnor::cli
