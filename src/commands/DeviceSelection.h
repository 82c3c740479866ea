#pragma once

#include <QObject>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace velnor {

struct Variables;
class Exchanges;

// The main window's controls that selection and broadcast mode read and switch.
struct SelectionControls
{
    QComboBox* cboAddr = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdDeselect = nullptr;
    QWidget* Frame3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QWidget* Backlight = nullptr;
    QWidget* PrintText = nullptr;
    QWidget* CurControl = nullptr;
    QWidget* CustomChar = nullptr;
    QWidget* InputStatus = nullptr;
    QWidget* Output = nullptr;
    // First panel of the status bar.
    QLabel* status = nullptr;
};

// Selecting a module by its address, releasing it, and broadcast mode. The window's state
// (which groups are open) lives in the controls' enabled flags alone.
class DeviceSelection final : public QObject
{
    Q_OBJECT
public:
    DeviceSelection(Variables& vars, Exchanges& exchanges, const SelectionControls& controls,
                    QObject* parent = nullptr);

    void cmdSelect_Click();
    void cmdDeselect_Click();
    // checked is the box's state after the click.
    void Check1_Click(bool checked);

private:
    // The entry whose text equals the list's text; -1 for text typed that matches none.
    int addressIndex() const;
    void setCommandGroups(bool enabled, bool includingInputs);

    Variables& m_vars;
    Exchanges& m_exchanges;
    SelectionControls m_ui;
};

} // namespace velnor
