#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

namespace velnor {

struct Variables;
class FrameLink;
class SerialPort;

// The input states of an answer: true for an input whose bit is set. Inputs 1 to 4 are bits 0
// to 3 of the first byte, inputs 5 to 8 bits 0 to 3 of the second; the other bits mean nothing.
using InputStates = std::array<bool, 8>;
InputStates inputStates(quint8 bits1, quint8 bits2);

// The main window's exchanges with a module: the frames that expect an answer, each sent,
// waited for and judged by the shared flags the receiver sets, and the broadcast frames,
// which expect none.
class Exchanges
{
public:
    static constexpr qint16 kAnswerTicks = 10;

    Exchanges(Variables& vars, FrameLink& link, SerialPort& port);

    // Makes address the selected one and asks for it; true when it acknowledged.
    bool select(quint8 address);
    // True when the flag reads acknowledged after the wait. It is not cleared before: a module
    // acknowledged by the select just before counts as released even if it stays silent.
    bool deselect();
    // The inputs when the selected module answered the read.
    std::optional<InputStates> readInputs();
    void broadcast(bool on);

private:
    Variables& m_vars;
    FrameLink& m_link;
    SerialPort& m_port;
};

} // namespace velnor
