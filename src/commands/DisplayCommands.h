#pragma once

class QCheckBox;
class QComboBox;
class QPushButton;

namespace velnor {

class FrameLink;
class MessageSink;

// The main window's controls that the cursor, backlight and custom-character commands read.
struct DisplayControls
{
    QComboBox* cboRow = nullptr;
    QComboBox* cboColumn = nullptr;
    // Whether anything is addressed: broadcast mode, or a module selected.
    QCheckBox* Check1 = nullptr;
    QPushButton* cmdDeselect = nullptr;
};

// The display's cursor (position, look), clearing a row or a column, the backlight and the
// eight custom characters. Nothing here waits for an answer.
class DisplayCommands final
{
public:
    DisplayCommands(FrameLink& link, MessageSink& messages, const DisplayControls& controls);

    void cmdSetCursor_Click();
    void cmdClrRow_Click();
    void cmdClrColumn_Click();
    // index: 0 underline, 1 blinking, 2 hidden.
    void optCur_Click(int index);
    // index: 0 on, 1 off, 2 flashing.
    void optBL_Click(int index);
    // index: custom character 0 to 7 ("CHAR 1" to "CHAR 8").
    void cmdCC_Click(int index);

private:
    // An option only sends while broadcast mode is on or a module is selected; otherwise
    // the choice just stays on screen.
    bool anyModuleAddressed() const;

    FrameLink& m_link;
    MessageSink& m_messages;
    DisplayControls m_ui;
};

} // namespace velnor
