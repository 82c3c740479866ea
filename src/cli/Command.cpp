#include "cli/Command.h"

#include "cli/CommandTable.h"

namespace velnor::cli {

QByteArray frameOf(const Command& command)
{
    const CommandForm* form = CommandTable::standard().ofKind(command.kind);
    return form && form->frame ? form->frame(command) : QByteArray();
}

} // namespace velnor::cli
