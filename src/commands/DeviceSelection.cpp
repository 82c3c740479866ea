#include "commands/DeviceSelection.h"

#include "link/FrameLink.h"
#include "shared/Variables.h"
#include "shared/Wire.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace velnor {

namespace {
constexpr qint16 kAnswerTicks = 10;
} // namespace

DeviceSelection::DeviceSelection(Variables& vars, FrameLink& link,
                                 const SelectionControls& controls, QObject* parent)
    : QObject(parent), m_vars(vars), m_link(link), m_ui(controls)
{
}

void DeviceSelection::cmdSelect_Click()
{
    if (m_vars.isWaiting())
        return;
    m_vars.DeviceAddr = quint8(wire::Broadcast + addressIndex());
    m_vars.TxData[0] = wire::Select;
    m_vars.TxData[1] = m_vars.DeviceAddr;
    m_link.SendFrame(2);
    m_vars.RxFlag = 0;
    m_link.WaitTicks(kAnswerTicks);

    if (m_vars.RxFlag != 0) {
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
    if (m_vars.isWaiting())
        return;
    m_vars.TxData[0] = wire::Deselect;
    m_link.SendFrame(1);
    // RxFlag is left as the last select or input read left it: a module that was just
    // acknowledged counts as released even if it does not answer the deselect.
    m_link.WaitTicks(kAnswerTicks);

    if (m_vars.RxFlag == -1) {
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
    if (m_vars.isWaiting()) {
        const QSignalBlocker blocker(m_ui.Check1);
        m_ui.Check1->setChecked(!checked);
        return;
    }
    if (checked) {
        m_ui.cboAddr->setCurrentIndex(0);
        m_ui.Frame3->setEnabled(false);
        m_vars.TxData[0] = wire::Select;
        m_vars.TxData[1] = wire::Broadcast;
        m_link.SendFrame(2);
        setCommandGroups(true, false);
    } else {
        m_ui.cboAddr->setCurrentIndex(int(m_vars.DeviceAddr) - wire::Broadcast);
        m_vars.TxData[0] = wire::Deselect;
        m_vars.TxData[1] = wire::Broadcast;
        m_link.SendFrame(2);
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
