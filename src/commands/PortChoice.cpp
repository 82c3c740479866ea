#include "commands/PortChoice.h"

#include "link/SerialPort.h"
#include "settings/StartupSettings.h"
#include "shared/Wire.h"

namespace velnor {

PortChoice::PortChoice(SerialPort& port) : m_port(port) {}

void PortChoice::load(const StartupSettings& startup)
{
    m_port.setSettings(startup.lineSettings);
    if (!startup.at9600())
        chooseSpeed(wire::SlowSpeed);
    m_port.setCommPort(startup.port);
}

void PortChoice::choosePort(int index)
{
    // A list emptied or being filled has no entry chosen.
    if (index < 0 || m_port.commPort() == index + 1)
        return;
    m_port.setPortOpen(false);
    m_port.setCommPort(index + 1);
}

void PortChoice::chooseSpeed(int speed)
{
    if (wire::atSpeed(m_port.settings(), speed))
        return;
    m_port.setPortOpen(false);
    m_port.setSettings(wire::lineSettings(speed));
}

} // namespace velnor
