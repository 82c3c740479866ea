#include "commands/InputOutputCommands.h"

#include "commands/ListEntry.h"
#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "protocol/Frames.h"
#include "shared/ModuleLimits.h"

namespace velnor {

InputOutputCommands::InputOutputCommands(Exchanges& exchanges, FrameLink& link,
                                         MessageSink& messages, QObject* parent)
    : QObject(parent), m_exchanges(exchanges), m_link(link), m_messages(messages)
{
}

QStringList InputOutputCommands::outputEntries()
{
    return numberEntries(1, limits::Outputs);
}

QStringList InputOutputCommands::stateEntries()
{
    return {QStringLiteral("ON"), QStringLiteral("OFF")};
}

bool InputOutputCommands::readInputs(quint8 address)
{
    return m_exchanges.start(
        {Exchange::readInputs(address)}, this,
        {{}, {}, [this](const Exchange::Outcome& outcome) { exchangeEnded(outcome); }, {}});
}

void InputOutputCommands::exchangeEnded(const Exchange::Outcome& outcome)
{
    // Unanswered, the indicators keep what the last answered read showed.
    if (outcome.answered)
        emit inputsRead(outcome.inputs);
    else
        emit statusChanged(QStringLiteral("No Response"));
}

QByteArray InputOutputCommands::setOutput(const QString& outputChoice, const QString& stateChoice)
{
    const auto output =
        listEntry(outputChoice, outputEntries(), QStringLiteral("an Output"), m_messages);
    if (!output)
        return {};
    // Typed text counts when it equals an entry, as in every list; anything else would have
    // switched the output off.
    const auto state =
        chosenEntry(stateChoice, stateEntries(),
                    QStringLiteral("Please Select an Output State, ON or OFF"), m_messages);
    if (!state)
        return {};
    return send(frames::setOutput(*output, *state == 0));
}

QByteArray InputOutputCommands::allOutputsOn()
{
    return send(frames::allOutputsOn());
}

QByteArray InputOutputCommands::allOutputsOff()
{
    return send(frames::allOutputsOff());
}

QByteArray InputOutputCommands::showSerialNumber()
{
    return send(frames::showSerialNumber());
}

QByteArray InputOutputCommands::send(const QByteArray& frame)
{
    m_link.send(frame);
    return frame;
}

} // namespace velnor
