#include "commands/DisplayCommands.h"

#include "commands/ListEntry.h"
#include "link/FrameLink.h"
#include "protocol/Frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace velnor {

namespace {
const QString kRow = QStringLiteral("a Row");
const QString kColumn = QStringLiteral("a Column");
} // namespace

DisplayCommands::DisplayCommands(FrameLink& link, MessageSink& messages,
                                 const DisplayControls& controls)
    : m_link(link), m_messages(messages), m_ui(controls)
{
}

void DisplayCommands::cmdSetCursor_Click()
{
    const auto row = listEntry(*m_ui.cboRow, kRow, m_messages);
    if (!row)
        return;
    const auto column = listEntry(*m_ui.cboColumn, kColumn, m_messages);
    if (!column)
        return;
    m_link.send(frames::cursorPosition(*row, *column));
}

void DisplayCommands::cmdClrRow_Click()
{
    if (const auto row = listEntry(*m_ui.cboRow, kRow, m_messages))
        m_link.send(frames::clearRow(*row));
}

void DisplayCommands::cmdClrColumn_Click()
{
    if (const auto column = listEntry(*m_ui.cboColumn, kColumn, m_messages))
        m_link.send(frames::clearColumn(*column));
}

void DisplayCommands::optCur_Click(int index)
{
    if (anyModuleAddressed())
        m_link.send(frames::cursorLook(index));
}

void DisplayCommands::optBL_Click(int index)
{
    if (anyModuleAddressed())
        m_link.send(frames::backlight(index));
}

void DisplayCommands::cmdCC_Click(int index)
{
    m_link.send(frames::customCharacter(index));
}

bool DisplayCommands::anyModuleAddressed() const
{
    // The button's own flag: broadcast mode locks it through its group, not by itself.
    return m_ui.Check1->isChecked() ||
           m_ui.cmdDeselect->isEnabledTo(m_ui.cmdDeselect->parentWidget());
}

} // namespace velnor
