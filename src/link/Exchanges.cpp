#include "link/Exchanges.h"

#include "link/FrameLink.h"
#include "link/SerialPort.h"
#include "protocol/Frames.h"
#include "shared/Variables.h"

namespace velnor {

namespace {
// The receiver reads a four-byte input answer while the threshold is 4, else acknowledgements.
constexpr int kAcknowledgementThreshold = 2;
constexpr int kInputAnswerThreshold = 4;
} // namespace

InputStates inputStates(quint8 bits1, quint8 bits2)
{
    InputStates states{};
    for (int i = 0; i < 4; ++i) {
        states[size_t(i)] = (bits1 >> i) & 1;
        states[size_t(i + 4)] = (bits2 >> i) & 1;
    }
    return states;
}

Exchanges::Exchanges(Variables& vars, FrameLink& link, SerialPort& port)
    : m_vars(vars), m_link(link), m_port(port)
{
}

bool Exchanges::select(quint8 address)
{
    m_vars.DeviceAddr = address;
    m_link.send(frames::select(address));
    // No event runs between the send and here, so no answer can be missed.
    m_vars.RxFlag = 0;
    m_link.WaitTicks(kAnswerTicks);
    return m_vars.RxFlag != 0;
}

bool Exchanges::deselect()
{
    m_link.send(frames::deselect());
    m_link.WaitTicks(kAnswerTicks);
    return m_vars.RxFlag == -1;
}

std::optional<InputStates> Exchanges::readInputs()
{
    m_port.setRThreshold(kInputAnswerThreshold);
    m_link.send(frames::readInputs());
    m_vars.RxFlag = 0;
    m_link.WaitTicks(kAnswerTicks);
    m_port.setRThreshold(kAcknowledgementThreshold);
    if (m_vars.RxFlag == 0)
        return std::nullopt;
    return inputStates(m_vars.InputBits1, m_vars.InputBits2);
}

void Exchanges::broadcast(bool on)
{
    m_link.send(on ? frames::broadcastOn() : frames::broadcastOff());
}

} // namespace velnor
