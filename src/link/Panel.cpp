#include "link/Panel.h"

#include "link/ConfigLink.h"
#include "link/QtSerialPort.h"
#include "link/QtTickSource.h"
#include "link/SerialPort.h"
#include "link/TickSource.h"

namespace velnor {

Panel::Panel(MessageSink& messages, Line main, Line config, QObject* parent)
    : QObject(parent), m_messages(messages), m_main(std::move(main)), m_config(std::move(config)),
      m_link(*m_main.port, messages, &m_monitor), m_receiver(*m_main.port, m_monitor),
      m_exchanges(m_link, *m_main.ticks, m_gate, &m_receiver),
      m_configLink(configPort(), *m_config.ticks, messages, m_gate)
{
    logTraffic();
}

void Panel::logTraffic()
{
    using Window = LogRow::Window;
    const auto lineName = [](const SerialPort& port) {
        return QStringLiteral("port %1, %2")
            .arg(port.commPort())
            .arg(port.settings().section(QLatin1Char(','), 0, 0));
    };
    m_log.setLineName(Window::Panel, [this, lineName] { return lineName(*m_main.port); });
    m_log.setLineName(Window::Configuration, [this, lineName] { return lineName(configPort()); });
    connect(&m_link, &FrameLink::frameSent, &m_log,
            [this](const QByteArray& bytes) { m_log.frameSent(bytes, Window::Panel); });
    connect(&m_configLink, &ConfigLink::frameSent, &m_log,
            [this](const QByteArray& bytes) { m_log.frameSent(bytes, Window::Configuration); });
    // Bytes that come during an exchange are part of it, answer or not; those a send drops
    // came before it.
    const auto exchangeAddress = [this] {
        return m_exchanges.isRunning() && !m_link.isDroppingStale()
                   ? int(m_receiver.expectedAddress())
                   : -1;
    };
    // The receiver's reads are logged as it judged them; bytes anyone else takes out of the
    // port (a send drops what was left from before it) it never looked at, so none of them
    // is an answer, but the log must show them all the same.
    connect(&m_receiver, &Receiver::bytesReceived, &m_log,
            [this, exchangeAddress](const QByteArray& bytes, int answerLength) {
                m_log.bytesReceived(bytes, Window::Panel, exchangeAddress(), answerLength);
            });
    connect(m_main.port.get(), &SerialPort::inputTaken, &m_log,
            [this, exchangeAddress](const QByteArray& bytes) {
                if (!m_receiver.isReading())
                    m_log.bytesReceived(bytes, Window::Panel, exchangeAddress());
            });
    connect(&m_exchanges, &Exchanges::exchangeEnded, &m_log,
            [this](const Exchange::Outcome& outcome) {
                using Kind = Exchange::Kind;
                if (outcome.kind == Kind::Pause || outcome.kind == Kind::Frame ||
                    outcome.kind == Kind::Text)
                    return;
                // A deselect counts its select's answer, so the window may take it for
                // answered; the log goes by what came back since the deselect went out.
                if (!outcome.answeredSinceSent)
                    m_log.answerMissing(outcome.address, Exchange::kAnswerTicks);
            });
}

Panel::~Panel()
{
    // A wait still running ends with the panel, before its tick goes.
    m_exchanges.cancel();
    m_configLink.stop();
}

bool Panel::closePort()
{
    return m_gate.run([this] { m_main.port->setPortOpen(false); });
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
