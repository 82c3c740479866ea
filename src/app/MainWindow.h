#pragma once

// The main window. Clicks run one handler each, through the click gate: the command handlers
// take the lists' texts and choices, send through the panel's link, and return what they sent;
// select, deselect and the input read wait from the event loop and report when their wait is
// over. The window maps those outcomes to captions, colours and enabled states. The traffic
// monitor's lines follow the panel's monitor; the Line menu opens the traffic log, the ports and
// the search of the line. The window owns neither the port nor the settings.

#include "commands/DisplayCommands.h"
#include "commands/PortChoice.h"
#include "commands/TextCommands.h"
#include "config/ConfigWindow.h"
#include "link/Exchange.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <initializer_list>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QFrame;
class QLabel;

namespace Ui {
class MainWindow;
}

namespace velnor {

struct Selection;
class IniFile;
class Panel;
class DeviceSelection;
class InputOutputCommands;
class ClickGate;

class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(Panel& panel, const IniFile& settings, QWidget* parent = nullptr);
    ~MainWindow() override;

    ConfigWindow* configWindow() const { return m_config; }

    void cboComm_Click(int index);
    void opt4800_Click();
    void opt9600_Click();
    void mnuConfig_Click();

private:
    // A control array: one group whose members' ids are their indices, in the order given.
    QButtonGroup* controlArray(const QString& name,
                               std::initializer_list<QAbstractButton*> members);
    void setUpLook();
    // The configuration window and the search of the line leave no module selected on the
    // line: the window then counts none selected, so the user selects again.
    void releaseSelection();
    void Form_Load();
    void connectSignals();
    void connectOutcomes();
    void showSelection(const Selection& state);
    void showInputs(const InputStates& states);

    Panel& m_panel;
    const IniFile& m_settings;
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::array<QFrame*, 8> m_Shape1{};
    QButtonGroup* m_optCur = nullptr;
    QButtonGroup* m_optBL = nullptr;
    QButtonGroup* m_cmdCC = nullptr;
    QLabel* m_statusPanel = nullptr;
    ClickGate* m_gate;
    DeviceSelection* m_selection;
    InputOutputCommands* m_inputOutput;
    TextCommands m_text;
    DisplayCommands m_display;
    PortChoice m_ports;
    QPointer<ConfigWindow> m_config;
};

} // namespace velnor
