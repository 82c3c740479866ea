#pragma once

class QComboBox;
class QLineEdit;

namespace velnor {

struct Variables;
class FrameLink;
class MessageSink;

// The main window's controls that the text commands read and empty.
struct TextControls
{
    QLineEdit* txtLine1 = nullptr;
    QLineEdit* txtLine2 = nullptr;
    QComboBox* cboPT = nullptr;
    QComboBox* cboPTR = nullptr;
};

// Text on the module's display: the two typed lines, clearing it, and a predefined text on a
// row. Nothing here waits for an answer.
class TextCommands final
{
public:
    TextCommands(Variables& vars, FrameLink& link, MessageSink& messages,
                 const TextControls& controls);

    void cmdSendText_Click();
    void cmdClearDisplay_Click();
    void cmdPT_Click();

private:
    Variables& m_vars;
    FrameLink& m_link;
    MessageSink& m_messages;
    TextControls m_ui;
};

} // namespace velnor
