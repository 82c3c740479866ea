#pragma once

// The main window's "Line" menu and what it says about ports: "Traffic Log..." opens the log
// of every frame and answer (at any time: it only looks), "Ports..." opens the ports window,
// "Find Modules..." searches the line (through the click gate, like any command); the port
// list's entries and the status bar carry tooltips naming the device each port number reaches
// (the status bar's naming the settings file too, from the start).
// The given controls are only read and given tooltips, never changed otherwise, except that
// choosing a found module picks its entry in the address list.

#include "app/DisplaysWindow.h"
#include "app/CommissionWindow.h"
#include "app/FindModulesWindow.h"
#include "app/LogWindow.h"
#include "app/PortsWindow.h"

#include <QObject>
#include <QPointer>

class QAction;
class QComboBox;
class QLabel;
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
        QAction* trafficLog;
        QAction* portsWindow;
        QAction* findModules;
        QAction* displays;
        QAction* commission;
        QComboBox* ports;
        QComboBox* addresses;
        QWidget* statusBar;
        QLabel* status;
        QWidget* window;
    };

    LineMenu(Panel& panel, const IniFile& settings, ClickGate& gate, const Controls& controls);
    ~LineMenu() override;

    void showLog();
    void showPorts();
    void findModules();
    void showDisplays();
    DisplaysWindow* displaysWindow() const { return m_displays; }
    void commissionModules();
    CommissionWindow* commissionWindow() const { return m_commission; }

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
    // "Settings: " and the file's path, as the status bar's tooltips name it.
    QString m_settingsNote;
    QPointer<LogWindow> m_log;
    QPointer<PortsWindow> m_ports;
    QPointer<FindModulesWindow> m_find;
    MirrorFeed* m_feed;
    QPointer<DisplaysWindow> m_displays;
    QPointer<CommissionWindow> m_commission;
};

} // namespace velnor
