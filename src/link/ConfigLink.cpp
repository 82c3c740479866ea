#include "link/ConfigLink.h"

#include "link/FrameLink.h"
#include "link/MessageSink.h"
#include "link/SerialPort.h"
#include "link/TickSource.h"
#include "link/WaitGate.h"
#include "shared/Variables.h"

#include <algorithm>

namespace velnor {

ConfigLink::ConfigLink(Variables& vars, SerialPort& port, TickSource& ticks, MessageSink& messages,
                       WaitGate& gate, QObject* parent)
    : QObject(parent), m_vars(vars), m_port(port), m_ticks(ticks), m_messages(messages),
      m_gate(gate)
{
    connect(&m_ticks, &TickSource::tick, this, &ConfigLink::tick);
}

ConfigLink::~ConfigLink()
{
    m_ticks.stop();
    m_gate.open(this);
}

bool ConfigLink::SendConfigFrame(qint16 n)
{
    const auto fail = [this] {
        m_messages.showMessage(FrameLink::kPortNotAvailable, m_port.errorString());
        return false;
    };
    if (!m_port.portOpen() && !m_port.setPortOpen(true))
        return fail();
    QByteArray sent;
    for (qint16 i = 0; i != n && i < Variables::kTxDataSize; ++i) {
        const QByteArray byte(1, char(m_vars.TxData[size_t(i)]));
        if (!m_port.output(byte)) {
            if (!sent.isEmpty())
                emit frameSent(sent);
            return fail();
        }
        sent += byte;
    }
    if (!sent.isEmpty())
        emit frameSent(sent);
    return true;
}

bool ConfigLink::SendConfigText()
{
    if ((!m_port.portOpen() && !m_port.setPortOpen(true)) || !m_port.output(m_vars.TxText)) {
        m_messages.showMessage(FrameLink::kPortNotAvailable, m_port.errorString());
        return false;
    }
    emit frameSent(m_vars.TxText);
    return true;
}

bool ConfigLink::sendFrame(QByteArrayView frame)
{
    const auto n = std::min<qsizetype>(frame.size(), Variables::kTxDataSize);
    std::copy_n(frame.begin(), n, m_vars.TxData.begin());
    return SendConfigFrame(qint16(n));
}

bool ConfigLink::sendText(QByteArrayView text)
{
    m_vars.TxText = text.toByteArray();
    return SendConfigText();
}

bool ConfigLink::start(QList<UploadStep> steps)
{
    if (isRunning() || !m_gate.close(this))
        return false;
    m_steps = std::move(steps);
    m_next = 0;
    m_running = true;
    runUntilWait();
    return true;
}

void ConfigLink::stop()
{
    if (isRunning())
        end(false);
}

void ConfigLink::runUntilWait()
{
    while (m_next < m_steps.size()) {
        // A copy: whoever hears filled() may stop the upload, which forgets the plan.
        const UploadStep step = m_steps.at(m_next++);
        for (const UploadStep::Fill& fill : step.fills)
            emit filled(fill.field, fill.text);
        if (!isRunning())
            return;
        // A step that cannot go out means a port that cannot be used: the rest would fail
        // the same way, each with a message of its own.
        const bool sent =
            step.kind == UploadStep::Kind::Text ? sendText(step.bytes) : sendFrame(step.bytes);
        if (!sent) {
            stop();
            return;
        }
        emit stepSent(int(m_next), int(m_steps.size()));
        if (!isRunning())
            return;
        if (step.waitAfter) {
            WaitConfigTick();
            return;
        }
    }
    end(true);
}

void ConfigLink::WaitConfigTick()
{
    m_vars.TickCount = 0;
    m_ticks.start();
}

void ConfigLink::tick()
{
    if (!isRunning())
        return;
    ++m_vars.TickCount;
    m_ticks.stop();
    runUntilWait();
}

void ConfigLink::end(bool completed)
{
    m_ticks.stop();
    m_running = false;
    m_gate.open(this);
    m_steps.clear();
    emit finished(completed);
}

} // namespace velnor
