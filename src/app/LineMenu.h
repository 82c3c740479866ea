#pragma once

// The main window's "Line" menu and what it says about ports: "Ports..." opens the ports
// window, "Find Modules..." searches the line (through the click gate, like any command); the
// port list's entries and the status bar carry tooltips naming the device each port number
// reaches. The given controls are only read and given tooltips, never changed otherwise,
// except that choosing a found module picks its entry in the address list.

#include "app/FindModulesWindow.h"
#include "app/PortsWindow.h"

#include <QObject>
#include <QPointer>

class QComboBox;
class QLabel;
class QMenu;
class QWidget;

namespace velnor {

class ClickGate;
class IniFile;
class Panel;

class LineMenu final : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        QMenu* menu;
        QComboBox* ports;
        QComboBox* addresses;
        QLabel* status;
        QWidget* window;
    };

    LineMenu(Panel& panel, const IniFile& settings, ClickGate& gate, const Controls& controls);
    ~LineMenu() override;

    void showPorts();
    void findModules();
    PortsWindow* portsWindow() const { return m_ports; }
    FindModulesWindow* findModulesWindow() const { return m_find; }

    // Names the device behind every port number, and behind the one in use.
    void refreshTooltips();

private:
    void portAssigned(int number);

    Panel& m_panel;
    const IniFile& m_settings;
    Controls m_controls;
    QPointer<PortsWindow> m_ports;
    QPointer<FindModulesWindow> m_find;
};

} // namespace velnor
