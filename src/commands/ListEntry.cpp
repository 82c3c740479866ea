#include "commands/ListEntry.h"

#include "link/MessageSink.h"

namespace velnor {

QStringList numberEntries(int first, int last)
{
    QStringList entries;
    for (int n = first; n <= last; ++n)
        entries.append(QString::number(n));
    return entries;
}

std::optional<int> listEntry(const QString& text, const QStringList& entries, const QString& what,
                             MessageSink& messages)
{
    return chosenEntry(text, entries,
                       QStringLiteral("Please Select %1 from %2 to %3")
                           .arg(what, entries.constFirst(), entries.constLast()),
                       messages);
}

std::optional<int> chosenEntry(const QString& text, const QStringList& entries,
                               const QString& refusal, MessageSink& messages)
{
    const qsizetype index = entries.indexOf(text);
    if (index >= 0)
        return int(index);
    messages.showMessage(refusal, QStringLiteral("\"%1\" is not in the list.").arg(text));
    return std::nullopt;
}

} // namespace velnor
