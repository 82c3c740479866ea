#include "app/LineMenu.h"

#include "app/FindModulesWindow.h"
#include "app/PortsWindow.h"
#include "config/ConfigWindow.h"
#include "link/Panel.h"
#include "link/PortCatalog.h"
#include "settings/StartupSettings.h"
#include "link/SerialPort.h"
#include "settings/ModuleSetupFile.h"
#include "widgets/ClickGate.h"
#include "widgets/WindowHabits.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>

#include <initializer_list>

namespace velnor {

LineMenu::LineMenu(Panel& panel, const IniFile& settings, ClickGate& gate,
                   const Controls& controls)
    : QObject(controls.window), m_panel(panel), m_settings(settings), m_gate(gate),
      m_controls(controls), m_feed(new MirrorFeed(panel, this))
{
    connect(controls.trafficLog, &QAction::triggered, this, &LineMenu::showLog);
    // Looking at the ports sends nothing, so it needs no gate.
    connect(controls.portsWindow, &QAction::triggered, this, &LineMenu::showPorts);
    gate.action(controls.findModules, [this] { findModules(); });
    // Where a user finds which file the panel reads and writes: over the status bar.
    m_settingsNote = QStringLiteral("Settings: %1").arg(QDir::toNativeSeparators(settings.path()));
    controls.statusBar->setToolTip(m_settingsNote);
    controls.statusBar->setAccessibleDescription(m_settingsNote);
    // Only looks, so it opens at any time, a wait included.
    connect(controls.displays, &QAction::triggered, this, &LineMenu::showDisplays);
    connect(controls.commission, &QAction::triggered, this, &LineMenu::commissionModules);
    // After the gate's own handler, so the port number in use is the one kept.
    connect(controls.ports, &QComboBox::currentIndexChanged, this, &LineMenu::refreshTooltips);
    // Looking up the devices (the system's list of serial ports, the by-id links) waits until
    // a tooltip is asked for, the port list is opened or tabbed to (a screen reader reads the
    // tooltip then), or the port changes: a start of the panel needs none of it.
    for (QObject* asker :
         std::initializer_list<QObject*>{controls.ports, controls.ports->view(),
                                         controls.ports->view()->viewport(), controls.status})
        asker->installEventFilter(this);
}

LineMenu::~LineMenu()
{
    delete m_log;
    delete m_ports;
    delete m_find;
    delete m_displays;
    delete m_commission;
}

void LineMenu::showLog()
{
    // One log window for the whole run, over the panel's log, which keeps recording while
    // the window is closed.
    if (!m_log) {
        m_log = new LogWindow(m_panel.log(), m_controls.window);
        closeOnEscape(m_log);
    }
    m_log->show();
    m_log->raise();
    m_log->activateWindow();
}

void LineMenu::showPorts()
{
    if (!m_ports) {
        m_ports = new PortsWindow(m_settings, &PortCatalog::listedNow, m_controls.window);
        connect(m_ports, &PortsWindow::portAssigned, this, &LineMenu::portAssigned);
    }
    m_ports->show();
    m_ports->raise();
    m_ports->activateWindow();
}

void LineMenu::showDisplays()
{
    if (!m_displays) {
        m_displays = new DisplaysWindow(*m_feed, m_controls.addresses, m_controls.window);
        closeOnEscape(m_displays);
    }
    m_displays->show();
    m_displays->raise();
    m_displays->activateWindow();
}

void LineMenu::findModules()
{
    if (!m_find) {
        m_find = new FindModulesWindow(m_panel, m_gate, m_controls.window);
        connect(&m_find->scan(), &ModuleScan::finished, this, &LineMenu::searchEnded);
        m_feed->follow(m_find->scan());
        connect(m_find, &FindModulesWindow::addressChosen, this, [this](quint8 address) {
            QComboBox* list = m_controls.addresses;
            list->setCurrentIndex(list->findText(QString::number(address)));
        });
    }
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
    if (!m_find->scan().isRunning())
        m_find->search();
}

void LineMenu::commissionModules()
{
    if (!m_commission) {
        // The configuration window's boxes while it is open, else what it would open with.
        const auto boxes = [this] {
            const auto* config = m_controls.window->findChild<ConfigWindow*>();
            return config ? config->setup() : loadModuleSetup(m_settings);
        };
        m_commission = new CommissionWindow(m_panel, m_gate, boxes, m_controls.window);
        m_feed->follow(m_commission->task().scan());
    }
    m_commission->show();
    m_commission->raise();
    m_commission->activateWindow();
}

bool LineMenu::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    QComboBox* ports = m_controls.ports;
    if (type == QEvent::ToolTip || (type == QEvent::Show && watched == ports->view()) ||
        (type == QEvent::FocusIn && watched == ports &&
         static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason))
        refreshTooltips();
    return QObject::eventFilter(watched, event);
}

void LineMenu::portAssigned(int number)
{
    refreshTooltips();
    // The port in use reaches another device now: the next frame opens that one.
    if (number == m_panel.port().commPort()) {
        m_panel.closePort();
        // What the old device's modules were sent says nothing of the new one's.
        m_feed->mirror().newLine();
    }
}

void LineMenu::refreshTooltips()
{
    const PortCatalog catalog = PortCatalog::observe(portMapOf(m_settings));
    QComboBox* ports = m_controls.ports;
    for (int index = 0; index < ports->count(); ++index)
        ports->setItemData(index, catalog.describe(ports->itemText(index).toInt()),
                           Qt::ToolTipRole);
    const QString tip = catalog.describe(m_panel.port().commPort());
    ports->setToolTip(tip);
    // The label fills the status bar and so covers the bar's own tooltip, which names the
    // settings file: the label names it too.
    m_controls.status->setToolTip(tip + QLatin1Char('\n') + m_settingsNote);
}

} // namespace velnor
