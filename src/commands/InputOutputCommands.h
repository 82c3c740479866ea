#pragma once

#include "link/Exchange.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

namespace velnor {

class Exchanges;
class FrameLink;
class MessageSink;

// Reading the module's eight inputs, switching its outputs, and asking it to show its serial
// number. Only the input read waits for an answer: it reports the states, or the status text
// when none came, once its wait is over. The others give back what they sent.
class InputOutputCommands final : public QObject
{
    Q_OBJECT
public:
    InputOutputCommands(Exchanges& exchanges, FrameLink& link, MessageSink& messages,
                        QObject* parent = nullptr);

    static QStringList outputEntries();
    // The state list: on, off.
    static QStringList stateEntries();

    // Reads the module at address. False when another wait runs.
    bool readInputs(quint8 address);
    QByteArray setOutput(const QString& outputChoice, const QString& stateChoice);
    QByteArray allOutputsOn();
    QByteArray allOutputsOff();
    QByteArray showSerialNumber();

signals:
    void inputsRead(const velnor::InputStates& states);
    void statusChanged(const QString& text);

private:
    void exchangeEnded(const Exchange::Outcome& outcome);
    QByteArray send(const QByteArray& frame);

    Exchanges& m_exchanges;
    FrameLink& m_link;
    MessageSink& m_messages;
};

} // namespace velnor
