#include "commands/TextCommands.h"

#include "commands/ListEntry.h"
#include "link/FrameLink.h"
#include "protocol/Frames.h"
#include "shared/Variables.h"

#include <QComboBox>
#include <QLineEdit>

namespace velnor {

TextCommands::TextCommands(Variables& vars, FrameLink& link, MessageSink& messages,
                           const TextControls& controls)
    : m_vars(vars), m_link(link), m_messages(messages), m_ui(controls)
{
}

void TextCommands::cmdSendText_Click()
{
    const auto frame = frames::text(m_ui.txtLine1->text(), m_ui.txtLine2->text());
    if (!frame)
        return;
    // The text goes out in one write; the monitor shows it as typed, not as hex.
    m_vars.TxText = frame->bytes;
    m_link.SendText(frame->monitor);
}

void TextCommands::cmdClearDisplay_Click()
{
    m_ui.txtLine1->clear();
    m_ui.txtLine2->clear();
    m_link.send(frames::clearDisplay());
}

void TextCommands::cmdPT_Click()
{
    const auto text = listEntry(*m_ui.cboPT, QStringLiteral("a Predefined Text"), m_messages);
    if (!text)
        return;
    const auto row = listEntry(*m_ui.cboPTR, QStringLiteral("a Row"), m_messages);
    if (!row)
        return;
    m_link.send(frames::predefinedText(*text, *row));
}

} // namespace velnor
