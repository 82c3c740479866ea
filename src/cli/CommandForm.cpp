#include "cli/CommandForm.h"

namespace velnor::cli {

QString CommandForm::usage() const
{
    QStringList words{name};
    for (const Argument& argument : arguments)
        words.append(argument.usage());
    return words.join(u' ');
}

QString CommandForm::expected() const
{
    QStringList words;
    for (const Argument& argument : arguments) {
        if (argument.option.isEmpty())
            words.append(argument.expected());
    }
    return words.join(u' ');
}

} // namespace velnor::cli
