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
class QCheckBox;
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
class InputWatchWindow;
class LineMenu;

class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(Panel& panel, const IniFile& settings, QWidget* parent = nullptr);
    ~MainWindow() override;

    ConfigWindow* configWindow() const { return m_config; }

    void showConfigWindow();

private:
    // A control array: one group whose members' ids are their indices, in the order given.
    QButtonGroup* controlArray(const QString& name,
                               std::initializer_list<QAbstractButton*> members);
    void setUpLook();
    // The configuration window and the search of the line leave no module selected on the
    // line: the window then counts none selected, so the user selects again.
    void releaseSelection();
    void showSettings();
    void connectSignals();
    void connectOutcomes();
    void showSelection(const Selection& state);
    void showInputs(const InputStates& states);

    Panel& m_panel;
    const IniFile& m_settings;
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::array<QFrame*, 8> m_inputSquares{};
    QButtonGroup* m_cursorStyles = nullptr;
    QButtonGroup* m_backlights = nullptr;
    QButtonGroup* m_customCharButtons = nullptr;
    QLabel* m_statusPanel = nullptr;
    // Starts and stops the watch of the inputs, in the title row of their group.
    QCheckBox* m_watchBox = nullptr;
    ClickGate* m_gate;
    DeviceSelection* m_selection;
    InputOutputCommands* m_inputOutput;
    TextCommands m_text;
    DisplayCommands m_display;
    PortChoice m_ports;
    LineMenu* m_line = nullptr;
    InputWatchWindow* m_watch = nullptr;
    QPointer<ConfigWindow> m_config;
};

} // namespace velnor
