#pragma once

#include "link/ConfigLink.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "link/PortLocator.h"
#include "link/Receiver.h"
#include "link/TrafficLog.h"
#include "link/TrafficMonitor.h"
#include "link/WaitGate.h"

#include <QObject>

#include <memory>

namespace velnor {

class MessageSink;
class SerialPort;
class TickSource;

// Everything of a panel below its windows, built in one place: the main window's port and tick
// with its link, receiver, traffic monitor and runner, the configuration window's own port,
// tick and link, and the wait gate between them. What goes over either line can be heard here:
// frames sent by both links, bytes read from the main window's port, and how each exchange
// ended; one traffic log hears all of it for both windows.
class Panel final : public QObject
{
    Q_OBJECT
public:
    // A window's port and tick. The configuration window's line may leave its port out: it then
    // writes to the main window's port, as one program on one line does.
    struct Line
    {
        std::unique_ptr<SerialPort> port;
        std::unique_ptr<TickSource> ticks;
    };

    Panel(MessageSink& messages, Line main, Line config, QObject* parent = nullptr);
    ~Panel() override;

    // On serial ports that find their devices through ports, with the windows' own ticks.
    static std::unique_ptr<Panel> onSerialPorts(MessageSink& messages, const PortMap& ports);

    MessageSink& messages() { return m_messages; }
    SerialPort& port() { return *m_main.port; }
    TickSource& ticks() { return *m_main.ticks; }
    SerialPort& configPort() { return m_config.port ? *m_config.port : *m_main.port; }
    TickSource& configTicks() { return *m_config.ticks; }
    WaitGate& gate() { return m_gate; }
    const WaitGate& gate() const { return m_gate; }
    TrafficMonitor& monitor() { return m_monitor; }
    FrameLink& link() { return m_link; }
    Receiver& receiver() { return m_receiver; }
    Exchanges& exchanges() { return m_exchanges; }
    ConfigLink& configLink() { return m_configLink; }
    TrafficLog& log() { return m_log; }
    // Closes the main window's port, so the next frame opens it on what it was given since.
    // Refused while a wait runs: its frames need the port as it is.
    bool closePort();

private:
    void logTraffic();

    MessageSink& m_messages;
    Line m_main;
    Line m_config;
    WaitGate m_gate;
    TrafficMonitor m_monitor;
    TrafficLog m_log;
    FrameLink m_link;
    Receiver m_receiver;
    Exchanges m_exchanges;
    ConfigLink m_configLink;
};

} // namespace velnor
