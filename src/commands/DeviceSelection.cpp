#include "commands/DeviceSelection.h"

#include "link/Exchanges.h"
#include "shared/Variables.h"
#include "shared/Wire.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace velnor {

DeviceSelection::DeviceSelection(Variables& vars, Exchanges& exchanges,
                                 const SelectionControls& controls, QObject* parent)
    : QObject(parent), m_vars(vars), m_exchanges(exchanges), m_ui(controls)
{
}

void DeviceSelection::cmdSelect_Click()
{
    // Text that matches no entry counts as index -1: address 99, which no module has.
    if (m_exchanges.select(quint8(wire::Broadcast + addressIndex()))) {
        m_ui.status->setText(m_ui.cboAddr->currentText() + QStringLiteral(" Connected"));
        m_ui.cmdSelect->setEnabled(false);
        m_ui.cmdDeselect->setEnabled(true);
        setCommandGroups(true, true);
    } else {
        m_ui.status->setText(QStringLiteral("Device Not Found"));
    }
}

void DeviceSelection::cmdDeselect_Click()
{
    if (m_exchanges.deselect()) {
        m_ui.status->setText(QStringLiteral("Disconnected"));
        m_ui.cmdSelect->setEnabled(true);
        m_ui.cmdDeselect->setEnabled(false);
        setCommandGroups(false, true);
    } else {
        m_ui.status->setText(QStringLiteral("No Response"));
    }
}

void DeviceSelection::Check1_Click(bool checked)
{
    if (checked) {
        m_ui.cboAddr->setCurrentIndex(0);
        m_ui.Frame3->setEnabled(false);
        m_exchanges.broadcast(true);
        setCommandGroups(true, false);
    } else {
        m_ui.cboAddr->setCurrentIndex(int(m_vars.DeviceAddr) - wire::Broadcast);
        m_exchanges.broadcast(false);
        m_ui.Frame3->setEnabled(true);
        setCommandGroups(false, false);
    }
}

int DeviceSelection::addressIndex() const
{
    return m_ui.cboAddr->findText(m_ui.cboAddr->currentText(), Qt::MatchExactly);
}

void DeviceSelection::setCommandGroups(bool enabled, bool includingInputs)
{
    for (QWidget* group : {m_ui.Backlight, m_ui.PrintText, m_ui.CurControl, m_ui.CustomChar})
        group->setEnabled(enabled);
    if (includingInputs)
        m_ui.InputStatus->setEnabled(enabled);
    m_ui.Output->setEnabled(enabled);
}

} // namespace velnor
