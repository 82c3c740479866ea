#include "commands/DeviceSelection.h"

#include "commands/ListEntry.h"
#include "link/Exchanges.h"
#include "shared/Variables.h"
#include "shared/Wire.h"

namespace velnor {

DeviceSelection::DeviceSelection(Variables& vars, Exchanges& exchanges, MessageSink& messages,
                                 QObject* parent)
    : QObject(parent), m_vars(vars), m_exchanges(exchanges), m_messages(messages)
{
    connect(&m_exchanges, &Exchanges::exchangeEnded, this, &DeviceSelection::exchangeEnded);
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
    if (!index || !m_exchanges.start(Exchange::select(quint8(wire::Broadcast + *index)), this))
        return false;
    m_listText = listText;
    return true;
}

bool DeviceSelection::deselect()
{
    return m_exchanges.start(Exchange::deselect(), this);
}

int DeviceSelection::setBroadcast(bool checked)
{
    Selection next = m_state;
    next.broadcast = checked;
    // The input group keeps its state: broadcast reads no inputs.
    next.sendingGroupsOpen = checked;
    m_exchanges.broadcast(checked);
    setState(next);
    return checked ? 0 : int(m_vars.DeviceAddr) - wire::Broadcast;
}

int DeviceSelection::released()
{
    setState({});
    return int(m_vars.DeviceAddr) - wire::Broadcast;
}

void DeviceSelection::exchangeEnded(const Exchange::Outcome& outcome, const QObject* owner)
{
    if (owner != this)
        return;
    if (outcome.kind == Exchange::Kind::Select) {
        if (!outcome.answered) {
            emit statusChanged(QStringLiteral("Device Not Found"));
            return;
        }
        emit statusChanged(m_listText + QStringLiteral(" Connected"));
        setState({true, m_state.broadcast, true, true});
    } else if (outcome.kind == Exchange::Kind::Deselect) {
        if (!outcome.answered) {
            emit statusChanged(QStringLiteral("No Response"));
            return;
        }
        emit statusChanged(QStringLiteral("Disconnected"));
        setState({false, m_state.broadcast, false, false});
    }
}

void DeviceSelection::setState(const Selection& state)
{
    m_state = state;
    emit stateChanged(m_state);
}

} // namespace velnor
