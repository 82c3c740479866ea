#pragma once

#include "cli/CommandForm.h"

#include <QList>

namespace velnor::cli {

// Every command velnor-cli knows, in the order --help lists them. Adding a command is a row here
// and its handler in the session.
class CommandTable
{
public:
    explicit CommandTable(QList<CommandForm> forms) : m_forms(std::move(forms)) {}

    // The program's own commands.
    static const CommandTable& standard();

    const QList<CommandForm>& forms() const { return m_forms; }
    // The forms of the command with that name, none for an unknown word.
    QList<const CommandForm*> named(const QString& name) const;
    const CommandForm* ofKind(Command::Kind kind) const;
    // Whether any of the commands works on the port.
    bool usePort(const QList<Command>& commands) const;
    // Each command's name once, in order.
    QStringList names() const;

private:
    QList<CommandForm> m_forms;
};

} // namespace velnor::cli
