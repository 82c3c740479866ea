#pragma once

#include "link/Exchange.h"
#include "link/Selection.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace velnor {

class Exchanges;
class FrameLink;
class MessageSink;

// Selecting a module by its address, releasing it, and broadcast mode. Keeps the selection
// state; a select or deselect reports its status text and the new state once its wait is over.
class DeviceSelection final : public QObject
{
    Q_OBJECT
public:
    DeviceSelection(Exchanges& exchanges, FrameLink& link, MessageSink& messages,
                    QObject* parent = nullptr);

    // The address list: the broadcast address, then every address a module can have.
    static QStringList addressEntries();

    const Selection& state() const { return m_state; }
    // The address the settings name, before anything was selected.
    void setAddress(quint8 address) { m_state.address = address; }

    // listText is the address list's text. Text that equals no entry is refused with a
    // message, as the other lists refuse it. False when nothing was sent.
    bool select(const QString& listText);
    bool deselect();
    // checked is the box's state after the click. The address list entry to show back.
    int setBroadcast(bool checked);
    // The modules were taken over from outside (the configuration window selects them all and
    // its upload releases them): nothing counts as selected any more, as after a deselect, and
    // broadcast mode is off. The address list entry to show back.
    int released();

signals:
    void statusChanged(const QString& text);
    void stateChanged(const velnor::Selection& state);

private:
    bool run(const Exchange& step);
    void exchangeEnded(const Exchange::Outcome& outcome);
    void setState(const Selection& state);

    Exchanges& m_exchanges;
    FrameLink& m_link;
    MessageSink& m_messages;
    Selection m_state;
    // The list text of the select under way, for its status.
    QString m_listText;
};

} // namespace velnor
