#include "commands/PortChoice.h"

#include "link/SerialPort.h"
#include "settings/StartupSettings.h"
#include "shared/Variables.h"
#include "shared/Wire.h"

namespace velnor {

PortChoice::PortChoice(Variables& vars, SerialPort& port) : m_vars(vars), m_port(port) {}

void PortChoice::load(const StartupSettings& startup)
{
    m_vars.PortNumber = QString::number(startup.port);
    m_vars.PortSettings = startup.lineSettings;
    if (!startup.at9600())
        chooseSpeed(wire::SlowSpeed);
    m_port.setSettings(m_vars.PortSettings);
    m_port.setCommPort(startup.port);
    m_port.setRThreshold(wire::AcknowledgementLength);
    m_port.setInputMode(SerialPort::InputModeBinary);
}

void PortChoice::choosePort(int index)
{
    // A list emptied or being filled has no entry chosen.
    if (index < 0 || m_vars.PortNumber.toInt() == index + 1)
        return;
    m_port.setPortOpen(false);
    m_vars.PortNumber = QString::number(index + 1);
    m_port.setCommPort(index + 1);
}

void PortChoice::chooseSpeed(int speed)
{
    if (wire::atSpeed(m_vars.PortSettings, speed))
        return;
    m_port.setPortOpen(false);
    m_vars.PortSettings = wire::lineSettings(speed);
    m_port.setSettings(m_vars.PortSettings);
}

} // namespace velnor
