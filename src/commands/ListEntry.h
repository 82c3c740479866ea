#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velnor {

class MessageSink;

// "first".."last" as list entries.
QStringList numberEntries(int first, int last);

// The entry a list's text names. The lists take typed text as well as a choice: text equal
// to an entry counts as that entry. Text that names none is refused with a message naming
// the entries the list accepts, so a number the list does not offer never reaches a frame.
// what names one entry in the message, with its article: "a Row", "an Output".
std::optional<int> listEntry(const QString& text, const QStringList& entries, const QString& what,
                             MessageSink& messages);
// The same with the whole message given, for lists whose entries are no plain range.
std::optional<int> chosenEntry(const QString& text, const QStringList& entries,
                               const QString& refusal, MessageSink& messages);

} // namespace velnor
