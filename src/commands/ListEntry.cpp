#include "commands/ListEntry.h"

#include "link/MessageSink.h"

#include <QComboBox>

namespace velnor {

std::optional<int> listEntry(const QComboBox& list, const QString& what, MessageSink& messages)
{
    const QString text = list.currentText();
    const int index = list.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        return index;
    messages.showMessage(QStringLiteral("Please Select %1 from %2 to %3")
                             .arg(what, list.itemText(0), list.itemText(list.count() - 1)),
                         QStringLiteral("\"%1\" is not in the list.").arg(text));
    return std::nullopt;
}

} // namespace velnor
