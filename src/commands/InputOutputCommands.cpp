#include "commands/InputOutputCommands.h"

#include "commands/ListEntry.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "protocol/Frames.h"

#include <QColor>
#include <QComboBox>
#include <QFrame>
#include <QLabel>

namespace velnor {

namespace {

// An input whose bit is set shows white, one whose bit is clear red.
void showInput(QFrame* indicator, bool set)
{
    QPalette palette = indicator->palette();
    palette.setColor(QPalette::Window, set ? QColor(255, 255, 255) : QColor(255, 0, 0));
    indicator->setPalette(palette);
}

} // namespace

InputOutputCommands::InputOutputCommands(Exchanges& exchanges, FrameLink& link,
                                         MessageSink& messages,
                                         const InputOutputControls& controls)
    : m_exchanges(exchanges), m_link(link), m_messages(messages), m_ui(controls)
{
}

void InputOutputCommands::cmdInput_Click()
{
    const auto states = m_exchanges.readInputs();
    if (!states) {
        // The indicators keep what the last answered read showed.
        m_ui.status->setText(QStringLiteral("No Response"));
        return;
    }
    for (size_t i = 0; i < states->size(); ++i)
        showInput(m_ui.Shape1.at(i), states->at(i));
}

void InputOutputCommands::cmdSOutput_Click()
{
    const auto output = listEntry(*m_ui.cboOutput, QStringLiteral("an Output"), m_messages);
    if (!output)
        return;
    // Only the first entry switches on; whatever else the state box holds switches off.
    const bool on = m_ui.cboOF->currentText() == m_ui.cboOF->itemText(0);
    m_link.send(frames::setOutput(*output, on));
}

void InputOutputCommands::cmdOnAll_Click()
{
    m_link.send(frames::allOutputsOn());
}

void InputOutputCommands::cmdOffAll_Click()
{
    m_link.send(frames::allOutputsOff());
}

void InputOutputCommands::cmdSN_Click()
{
    m_link.send(frames::showSerialNumber());
}

} // namespace velnor
