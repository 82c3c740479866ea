#pragma once

#include <array>

class QComboBox;
class QFrame;
class QLabel;

namespace velnor {

class Exchanges;
class FrameLink;
class MessageSink;

// The main window's controls that the input, output and serial-number commands read and set.
struct InputOutputControls
{
    // Indicator k shows input k + 1.
    std::array<QFrame*, 8> Shape1{};
    QComboBox* cboOutput = nullptr;
    QComboBox* cboOF = nullptr;
    // First panel of the status bar.
    QLabel* status = nullptr;
};

// Reading the module's eight inputs into the indicators, switching its outputs, and asking it
// to show its serial number. Only the input read waits for an answer.
class InputOutputCommands final
{
public:
    InputOutputCommands(Exchanges& exchanges, FrameLink& link, MessageSink& messages,
                        const InputOutputControls& controls);

    void cmdInput_Click();
    void cmdSOutput_Click();
    void cmdOnAll_Click();
    void cmdOffAll_Click();
    void cmdSN_Click();

private:
    Exchanges& m_exchanges;
    FrameLink& m_link;
    MessageSink& m_messages;
    InputOutputControls m_ui;
};

} // namespace velnor
