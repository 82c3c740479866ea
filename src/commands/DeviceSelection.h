#pragma once

#include "commands/Selection.h"
#include "link/Exchange.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace velnor {

struct Variables;
class Exchanges;

// Selecting a module by its address, releasing it, and broadcast mode. Keeps the selection
// state; a select or deselect reports its status text and the new state once its wait is over.
class DeviceSelection final : public QObject
{
    Q_OBJECT
public:
    DeviceSelection(Variables& vars, Exchanges& exchanges, QObject* parent = nullptr);

    // The address list: the broadcast address, then every address a module can have.
    static QStringList addressEntries();

    const Selection& state() const { return m_state; }

    // listText is the address list's text; text that equals no entry counts as index -1,
    // address 99, which no module has. False when another wait runs.
    bool cmdSelect_Click(const QString& listText);
    bool cmdDeselect_Click();
    // checked is the box's state after the click. The address list entry to show back.
    int Check1_Click(bool checked);

signals:
    void statusChanged(const QString& text);
    void stateChanged(const velnor::Selection& state);

private:
    void exchangeEnded(const Exchange::Outcome& outcome);
    void setState(const Selection& state);

    Variables& m_vars;
    Exchanges& m_exchanges;
    Selection m_state;
    // Set while a select or deselect of this handler waits; the list text for its status.
    bool m_waiting = false;
    QString m_listText;
};

} // namespace velnor
