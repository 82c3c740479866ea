#include "link/CommissionLine.h"

#include "link/ConfigLink.h"
#include "link/Exchanges.h"
#include "link/Panel.h"
#include "link/SerialPort.h"
#include "protocol/Frames.h"
#include "protocol/SafeText.h"
#include "shared/Wire.h"

namespace velnor {

CommissionLine::CommissionLine(Panel& panel, QObject* parent)
    : QObject(parent), m_panel(panel), m_scan(panel)
{
    connect(&m_scan, &ModuleScan::finished, this, &CommissionLine::searched);
}

CommissionLine::~CommissionLine()
{
    // Nobody is left to hear the frames out: the ports get their own settings back now.
    m_letGo.clear();
    restoreLine();
}

ConfigLink::Upload CommissionLine::uploadRun()
{
    ConfigLink::Upload upload;
    upload.stepSent = [this](int sent, int total) { emit uploadStep(sent, total); };
    upload.finished = [this](bool completed) {
        // A cancel has let go of the line itself, after its own last frame.
        if (!m_uploading)
            return;
        m_uploading = false;
        restoreLine();
        emit uploaded(completed);
    };
    return upload;
}

void CommissionLine::checkEnded(bool completed)
{
    if (!m_checking)
        return;
    // Only a module that answered its select is asked for its inputs and let go: a silent
    // address gets one frame a try.
    if (completed && m_answered && !m_reading) {
        const Selection answered{.address = m_address, .acknowledged = true};
        m_reading = m_panel.exchanges().start({Exchange::readInputs(m_address).endingOnAnswer(),
                                               Exchange::deselect(answered).endingOnAnswer()},
                                              this, checkRun());
        if (m_reading)
            return;
    }
    m_checking = false;
    restoreLine();
    emit checked(completed && m_answered, completed && m_answered ? m_inputs : std::nullopt);
}

Exchanges::Run CommissionLine::checkRun()
{
    Exchanges::Run run;
    run.ended = [this](const Exchange::Outcome& outcome) {
        if (outcome.kind == Exchange::Kind::Select)
            m_answered = outcome.answered;
        else if (outcome.kind == Exchange::Kind::ReadInputs && outcome.answered)
            m_inputs = outcome.inputs;
    };
    run.finished = [this](bool completed) { checkEnded(completed); };
    return run;
}

bool CommissionLine::search()
{
    return m_scan.start(true);
}

bool CommissionLine::upload(int baud, const QList<UploadStep>& steps)
{
    if (!m_panel.gate().isOpen())
        return false;
    useLine(baud);
    ConfigLink& config = m_panel.configLink();
    // Stored as the configuration window's save stores it, a step after the upload's last;
    // and a step more before the port lets go, so the store frame has left the line.
    QList<UploadStep> paced = steps;
    if (!paced.isEmpty())
        paced.last().waitAfter = true;
    paced.append({UploadStep::Kind::Frame, frames::saveToNonVolatileMemory(), true, {}});
    m_baud = baud;
    // Set before the start: a first step that fails to send ends the upload inside it.
    m_uploading = true;
    if (config.sendFrame(frames::enterConfiguration()) &&
        config.sendText(safeText(frames::kConfigModeText)) &&
        config.start(paced, this, uploadRun()))
        return true;
    m_uploading = false;
    restoreLine();
    return false;
}

bool CommissionLine::check(quint8 address, int baud)
{
    if (!m_panel.gate().isOpen())
        return false;
    useLine(baud);
    m_answered = false;
    m_inputs.reset();
    m_reading = false;
    m_address = address;
    m_baud = baud;
    m_checking = true;
    if (m_panel.exchanges().start({Exchange::select(address).endingOnAnswer()}, this, checkRun()))
        return true;
    m_checking = false;
    restoreLine();
    return false;
}

void CommissionLine::cancel()
{
    m_scan.cancel(); // deselects what the search may have selected
    if (m_uploading) {
        m_uploading = false;
        m_panel.configLink().stop();
        // Every module heard the load frames through the broadcast address.
        letGo(m_baud, frames::broadcastOff());
    }
    if (m_checking) {
        m_checking = false;
        m_panel.exchanges().cancel();
        letGo(m_baud, frames::deselect());
    }
}

void CommissionLine::letGo(int baud, const QByteArray& frame)
{
    m_letGo.append({baud, frame});
    if (m_letGo.size() == 1)
        nextLetGo();
}

void CommissionLine::nextLetGo()
{
    while (!m_letGo.isEmpty()) {
        useLine(m_letGo.first().first);
        ConfigLink::Upload run;
        run.finished = [this](bool) {
            m_letGo.removeFirst();
            nextLetGo();
        };
        // A run that ends inside its start has gone on to the next frame already.
        if (m_panel.configLink().start(
                {{UploadStep::Kind::Frame, m_letGo.first().second, true, {}}}, this, run))
            return;
        m_letGo.removeFirst();
    }
    restoreLine();
    emit lineReturned();
}

void CommissionLine::useLine(int baud)
{
    // One program holds a device at a time: both windows' ports let go while one of them is
    // used at the module's speed, and both get their own settings back afterwards.
    SerialPort& port = m_panel.port();
    SerialPort& config = m_panel.configPort();
    if (!m_held)
        m_ownSettings = {port.settings(), config.settings(), config.commPort()};
    m_held = true;
    config.setPortOpen(false);
    port.setPortOpen(false);
    port.setSettings(wire::lineSettings(baud));
    config.setCommPort(port.commPort());
    config.setSettings(wire::lineSettings(baud));
}

void CommissionLine::restoreLine()
{
    // Frames that let modules go still need the line at their speed.
    if (!m_held || !m_letGo.isEmpty())
        return;
    m_held = false;
    SerialPort& port = m_panel.port();
    SerialPort& config = m_panel.configPort();
    config.setPortOpen(false);
    port.setPortOpen(false);
    port.setSettings(m_ownSettings.main);
    config.setSettings(m_ownSettings.config);
    if (m_ownSettings.configPort > 0)
        config.setCommPort(m_ownSettings.configPort);
}

} // namespace velnor
