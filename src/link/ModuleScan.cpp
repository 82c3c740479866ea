#include "link/ModuleScan.h"

#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "link/LineSettings.h"
#include "link/Panel.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "protocol/Frames.h"
#include "shared/Wire.h"

namespace velnor {

namespace {

int speedOf(const QString& settings)
{
    const auto parsed = LineSettings::parse(settings);
    return parsed ? parsed->baudRate : wire::FastSpeed;
}

} // namespace

ModuleScan::ModuleScan(Panel& panel, QObject* parent) : QObject(parent), m_panel(panel)
{
    connect(&panel.receiver(), &Receiver::bytesReceived, this, [this](const QByteArray& bytes) {
        if (m_inExchange)
            m_received += bytes;
    });
}

ModuleScan::~ModuleScan()
{
    cancel();
}

int ModuleScan::otherSpeed(int baud)
{
    return baud == wire::FastSpeed ? wire::SlowSpeed : wire::FastSpeed;
}

bool ModuleScan::start(bool bothSpeeds)
{
    if (m_running || !m_panel.gate().isOpen())
        return false;
    m_portSettings = m_panel.port().settings();
    const int own = speedOf(m_portSettings);
    m_speeds = {own};
    if (bothSpeeds)
        m_speeds.append(otherSpeed(own));
    m_heard = QList<QByteArray>(m_speeds.size() * kAddresses);
    m_result = {};
    m_pass = 0;
    m_address = wire::FirstAddress;
    m_step = 0;
    m_deselectDue = false;
    // Bytes that came before the search answer none of its selects.
    m_panel.port().input();
    m_running = true;
    selectNext();
    return true;
}

void ModuleScan::cancel()
{
    if (!m_running)
        return;
    if (m_inExchange)
        m_panel.exchanges().cancel();
    else
        end(false);
}

QByteArray ModuleScan::heard(int baud, quint8 address) const
{
    const auto pass = m_speeds.indexOf(baud);
    if (pass < 0 || address < wire::FirstAddress || address > wire::LastAddress)
        return {};
    return m_heard.value(pass * kAddresses + address - wire::FirstAddress);
}

void ModuleScan::selectNext()
{
    const int baud = m_speeds.at(m_pass);
    if (m_address == wire::FirstAddress)
        useSpeed(baud);
    ++m_step;
    emit progress(m_step, total(), baud, m_address);
    // Cancelled by whoever heard of it.
    if (!m_running)
        return;
    // Until its wait has passed, the address asked for may have answered.
    m_deselectDue = run(Exchange::select(m_address).endingOnAnswer());
}

void ModuleScan::useSpeed(int baud)
{
    SerialPort& port = m_panel.port();
    if (speedOf(port.settings()) == baud)
        return;
    // The new speed takes effect when the next frame opens the port again.
    port.setPortOpen(false);
    port.setSettings(wire::lineSettings(baud));
}

bool ModuleScan::run(const Exchange& step)
{
    m_received.clear();
    m_inExchange = m_panel.exchanges().start(
        {step}, this,
        {{},
         {},
         [this](const Exchange::Outcome& outcome) { exchangeEnded(outcome); },
         [this](bool completed) { exchangeFinished(completed); }});
    if (!m_inExchange)
        end(false);
    return m_inExchange;
}

void ModuleScan::exchangeEnded(const Exchange::Outcome& outcome)
{
    // Bytes too few for the receiver to take are still waiting in the port: they belong to
    // this wait, not to the next address's.
    m_received += m_panel.port().input();
    if (outcome.kind != Exchange::Kind::Select)
        return;
    const int baud = m_speeds.at(m_pass);
    const Reply reply = judgeReply(m_address, m_received);
    m_result.record(baud, m_address, reply);
    m_heard[m_pass * kAddresses + m_address - wire::FirstAddress] = m_received;
    // Whatever answered may still be selected; a garbled answer may hide two selected modules.
    m_deselectDue = reply != Reply::Silent;
    emit judged(baud, m_address, reply);
}

void ModuleScan::exchangeFinished(bool completed)
{
    m_inExchange = false;
    if (!completed || !m_running) {
        end(false);
        return;
    }
    if (m_deselectDue) {
        // Sent as the exchange began; if it could not begin, ending sends it.
        if (run(Exchange::deselect({.address = m_address}).endingOnAnswer()))
            m_deselectDue = false;
        return;
    }
    if (m_address < wire::LastAddress) {
        ++m_address;
    } else if (++m_pass < m_speeds.size()) {
        m_address = wire::FirstAddress;
    } else {
        end(true);
        return;
    }
    selectNext();
}

void ModuleScan::end(bool completed)
{
    m_running = false;
    m_inExchange = false;
    // Cut short, the search still lets go of what it may have selected, at the speed the
    // module heard its select.
    if (m_deselectDue) {
        m_deselectDue = false;
        m_panel.link().send(frames::deselect());
    }
    SerialPort& port = m_panel.port();
    if (port.settings() != m_portSettings) {
        port.setPortOpen(false);
        port.setSettings(m_portSettings);
    }
    emit finished(completed);
}

} // namespace velnor
