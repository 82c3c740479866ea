#include "commands/DisplayCommands.h"

#include "commands/ListEntry.h"
#include "link/Selection.h"
#include "link/FrameLink.h"
#include "protocol/Frames.h"
#include "shared/ModuleLimits.h"

namespace velnor {

namespace {
const QString kRow = QStringLiteral("a Row");
const QString kColumn = QStringLiteral("a Column");
} // namespace

DisplayCommands::DisplayCommands(FrameLink& link, MessageSink& messages,
                                 const Selection& selection)
    : m_link(link), m_messages(messages), m_selection(selection)
{
}

QStringList DisplayCommands::rowEntries()
{
    return numberEntries(0, limits::Rows - 1);
}

QStringList DisplayCommands::columnEntries()
{
    return numberEntries(0, limits::Columns - 1);
}

QByteArray DisplayCommands::setCursor(const QString& rowChoice, const QString& columnChoice)
{
    const auto row = listEntry(rowChoice, rowEntries(), kRow, m_messages);
    if (!row)
        return {};
    const auto column = listEntry(columnChoice, columnEntries(), kColumn, m_messages);
    if (!column)
        return {};
    return send(frames::cursorPosition(*row, *column));
}

QByteArray DisplayCommands::clearRow(const QString& rowChoice)
{
    const auto row = listEntry(rowChoice, rowEntries(), kRow, m_messages);
    return row ? send(frames::clearRow(*row)) : QByteArray();
}

QByteArray DisplayCommands::clearColumn(const QString& columnChoice)
{
    const auto column = listEntry(columnChoice, columnEntries(), kColumn, m_messages);
    return column ? send(frames::clearColumn(*column)) : QByteArray();
}

QByteArray DisplayCommands::setCursorStyle(int index)
{
    return m_selection.anyAddressed() ? send(frames::cursorLook(index)) : QByteArray();
}

QByteArray DisplayCommands::setBacklight(int index)
{
    return m_selection.anyAddressed() ? send(frames::backlight(index)) : QByteArray();
}

QByteArray DisplayCommands::showCustomCharacter(int index)
{
    return send(frames::customCharacter(index));
}

QByteArray DisplayCommands::send(const QByteArray& frame)
{
    m_link.send(frame);
    return frame;
}

} // namespace velnor
