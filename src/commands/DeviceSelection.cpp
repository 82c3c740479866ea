#include "commands/DeviceSelection.h"

#include "commands/ListEntry.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "protocol/Frames.h"
#include "shared/Wire.h"

namespace velnor {

DeviceSelection::DeviceSelection(Exchanges& exchanges, FrameLink& link, MessageSink& messages,
                                 QObject* parent)
    : QObject(parent), m_exchanges(exchanges), m_link(link), m_messages(messages)
{
    // Whoever reads the selected module's inputs learns again whether it answers, which is
    // what a deselect then counts.
    connect(&m_exchanges, &Exchanges::exchangeEnded, this, [this](const Exchange::Outcome& o) {
        if (o.kind == Exchange::Kind::ReadInputs)
            m_state = heard(m_state, o);
    });
    connect(&m_exchanges, &Exchanges::answeredLate, this, [this](const QByteArray& answer) {
        if (quint8(answer.at(1)) == m_state.address)
            m_state.acknowledged = true;
    });
}

QStringList DeviceSelection::addressEntries()
{
    return numberEntries(wire::Broadcast, wire::LastAddress);
}

bool DeviceSelection::select(const QString& listText)
{
    // The message names the addresses a module can have; the broadcast entry is there to pick.
    const auto index = chosenEntry(listText, addressEntries(),
                                   QStringLiteral("Please Select a Device Address from %1 to %2")
                                       .arg(wire::FirstAddress)
                                       .arg(wire::LastAddress),
                                   m_messages);
    if (!index || !run(Exchange::select(quint8(wire::Broadcast + *index))))
        return false;
    m_listText = listText;
    return true;
}

bool DeviceSelection::deselect()
{
    return run(Exchange::deselect(m_state));
}

bool DeviceSelection::run(const Exchange& step)
{
    return m_exchanges.start(
        {step}, this, {{}, {}, [this](const Exchange::Outcome& o) { exchangeEnded(o); }, {}});
}

int DeviceSelection::setBroadcast(bool checked)
{
    Selection next = m_state;
    next.broadcast = checked;
    // The input group keeps its state: broadcast reads no inputs.
    next.sendingGroupsOpen = checked;
    m_link.send(checked ? frames::broadcastOn() : frames::broadcastOff());
    setState(next);
    return checked ? 0 : int(m_state.address) - wire::Broadcast;
}

int DeviceSelection::released()
{
    setState({.address = m_state.address, .acknowledged = m_state.acknowledged});
    return int(m_state.address) - wire::Broadcast;
}

void DeviceSelection::exchangeEnded(const Exchange::Outcome& outcome)
{
    Selection next = heard(m_state, outcome);
    if (outcome.kind == Exchange::Kind::Select) {
        m_state = next;
        if (!outcome.answered) {
            emit statusChanged(QStringLiteral("Device Not Found"));
            return;
        }
        emit statusChanged(m_listText + QStringLiteral(" Connected"));
        next.selected = next.sendingGroupsOpen = next.inputsOpen = true;
    } else {
        if (!outcome.answered) {
            emit statusChanged(QStringLiteral("No Response"));
            return;
        }
        emit statusChanged(QStringLiteral("Disconnected"));
        next.selected = next.sendingGroupsOpen = next.inputsOpen = false;
    }
    setState(next);
}

void DeviceSelection::setState(const Selection& state)
{
    m_state = state;
    emit stateChanged(m_state);
}

} // namespace velnor
