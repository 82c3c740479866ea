#include "link/Panel.h"

#include "link/ConfigLink.h"
#include "link/QtSerialPort.h"
#include "link/QtTickSource.h"
#include "link/SerialPort.h"
#include "link/TickSource.h"

namespace velnor {

Panel::Panel(MessageSink& messages, Line main, Line config, QObject* parent)
    : QObject(parent), m_messages(messages), m_main(std::move(main)), m_config(std::move(config)),
      m_link(m_vars, *m_main.port, messages, m_monitor),
      m_receiver(m_vars, *m_main.port, m_monitor),
      m_exchanges(m_vars, m_link, *m_main.port, *m_main.ticks, m_gate),
      m_configLink(m_vars, *m_config.port, *m_config.ticks, messages, m_gate)
{
}

Panel::~Panel()
{
    // A wait still running ends with the panel, before its tick goes.
    m_exchanges.cancel();
    m_configLink.stop();
}

std::unique_ptr<Panel> Panel::onSerialPorts(MessageSink& messages, const PortMap& ports)
{
    const auto line = [&ports](const char* portName, int tickMs, const char* tickName) {
        Line made{std::make_unique<QtSerialPort>(ports), std::make_unique<QtTickSource>(tickMs)};
        made.port->setObjectName(QLatin1String(portName));
        made.ticks->setObjectName(QLatin1String(tickName));
        return made;
    };
    return std::make_unique<Panel>(messages, line("MSComm1", QtTickSource::kTickMs, "Timer1"),
                                   line("ConfigMSComm1", ConfigLink::kTickMs, "ConfigTimer1"));
}

} // namespace velnor
