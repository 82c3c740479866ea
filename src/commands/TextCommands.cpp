#include "commands/TextCommands.h"

#include "commands/ListEntry.h"
#include "link/FrameLink.h"
#include "protocol/Frames.h"
#include "shared/ModuleLimits.h"

namespace velnor {

TextCommands::TextCommands(FrameLink& link, MessageSink& messages)
    : m_link(link), m_messages(messages)
{
}

QStringList TextCommands::textEntries()
{
    return numberEntries(1, limits::Texts);
}

QStringList TextCommands::rowEntries()
{
    return numberEntries(0, limits::Rows - 1);
}

QByteArray TextCommands::sendText(const QString& line1, const QString& line2)
{
    const auto frame = frames::text(line1, line2);
    if (!frame)
        return {};
    // The text goes out in one write; the monitor shows it as text, not as hex.
    m_link.sendText(frame->bytes, frame->monitor);
    return frame->bytes;
}

QByteArray TextCommands::clearDisplay()
{
    const QByteArray frame = frames::clearDisplay();
    m_link.send(frame);
    return frame;
}

QByteArray TextCommands::showStoredText(const QString& textChoice, const QString& rowChoice)
{
    const auto text =
        listEntry(textChoice, textEntries(), QStringLiteral("a Predefined Text"), m_messages);
    if (!text)
        return {};
    const auto row = listEntry(rowChoice, rowEntries(), QStringLiteral("a Row"), m_messages);
    if (!row)
        return {};
    const QByteArray frame = frames::predefinedText(*text, *row);
    m_link.send(frame);
    return frame;
}

} // namespace velnor
