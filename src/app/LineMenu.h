#pragma once

// The main window's "Line" menu and what it says about ports: "Traffic Log..." opens the log
// of every frame and answer (at any time: it only looks), "Ports..." opens the ports window,
// "Find Modules..." searches the line (through the click gate, like any command); the port
// list's entries and the status bar carry tooltips naming the device each port number reaches
// (the status bar's naming the settings file too).
// The given controls are only read and given tooltips, never changed otherwise, except that
// choosing a found module picks its entry in the address list.

#include "app/CommissionWindow.h"
#include "app/FindModulesWindow.h"
#include "app/LogWindow.h"
#include "app/PortsWindow.h"

#include <QObject>
#include <QPointer>

class QAction;
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
        QAction* trafficLog;
        QComboBox* ports;
        QComboBox* addresses;
        QLabel* status;
        QWidget* window;
    };

    LineMenu(Panel& panel, const IniFile& settings, ClickGate& gate, const Controls& controls);
    ~LineMenu() override;

    void showLog();
    void showPorts();
    void findModules();
    void commissionModules();
    CommissionWindow* commissionWindow() const { return m_commission; }
    PortsWindow* portsWindow() const { return m_ports; }
    FindModulesWindow* findModulesWindow() const { return m_find; }

    // Names the device behind every port number, and behind the one in use; done when they are
    // about to be read, never at start.
    void refreshTooltips();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A search ended, done or cancelled: it deselected every module that answered.
    void searchEnded();

private:
    void portAssigned(int number);

    Panel& m_panel;
    const IniFile& m_settings;
    ClickGate& m_gate;
    Controls m_controls;
    QPointer<LogWindow> m_log;
    QPointer<PortsWindow> m_ports;
    QPointer<FindModulesWindow> m_find;
    QPointer<CommissionWindow> m_commission;
};

} // namespace velnor
