#pragma once

// The main window. Clicks run one handler each: device commands build a frame in the shared
// TxData and send it through the FrameLink, which shows it on the traffic monitor; commands
// that expect an answer then wait, while the Receiver reads the port and sets the shared
// flags the command looks at afterwards. The window owns neither the port nor the settings.

#include "link/Exchanges.h"
#include "link/FrameLink.h"
#include "link/Receiver.h"
#include "link/TrafficMonitor.h"

#include "config/frmConfigLcd.h"

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
class frmMain;
}

namespace velnor {

struct Variables;
class IniFile;
class SerialPort;
class TickSource;
class MessageSink;
class DeviceSelection;
class TextCommands;
class DisplayCommands;
class InputOutputCommands;
class ClickGate;

class frmMain final : public QMainWindow
{
    Q_OBJECT
public:
    // The configuration window's own port and tick, which it uses while it is open.
    struct ConfigLine
    {
        SerialPort& port;
        TickSource& ticks;
    };

    frmMain(Variables& vars, const IniFile& settings, SerialPort& port, TickSource& ticks,
            MessageSink& messages, ConfigLine configLine, QWidget* parent = nullptr);
    ~frmMain() override;

    FrameLink& link() { return m_link; }
    frmConfigLcd* configWindow() const { return m_config; }

    void cboComm_Click(int index);
    void opt4800_Click();
    void opt9600_Click();
    void mnuConfig_Click();

private:
    void makeCommands();
    // A control array: one group whose members' ids are their indices, in the order given.
    QButtonGroup* controlArray(const QString& name,
                               std::initializer_list<QAbstractButton*> members);
    void setUpLook();
    void alignInputNumbers();
    void Form_Load();
    void connectSignals();
    // Shared by both speed options: switch PortSettings to the given speed unless it has it.
    void chooseSpeed(const QString& speed);

    Variables& m_vars;
    const IniFile& m_settings;
    SerialPort& m_port;
    MessageSink& m_messages;
    ConfigLine m_configLine;
    std::unique_ptr<Ui::frmMain> m_ui;
    std::array<QFrame*, 8> m_Shape1{};
    QButtonGroup* m_optCur = nullptr;
    QButtonGroup* m_optBL = nullptr;
    QButtonGroup* m_cmdCC = nullptr;
    QLabel* m_statusPanel = nullptr;
    TrafficMonitor m_monitor;
    FrameLink m_link;
    Exchanges m_exchanges;
    Receiver m_receiver;
    ClickGate* m_gate = nullptr;
    std::unique_ptr<DeviceSelection> m_selection;
    std::unique_ptr<TextCommands> m_text;
    std::unique_ptr<DisplayCommands> m_display;
    std::unique_ptr<InputOutputCommands> m_inputOutput;
    QPointer<frmConfigLcd> m_config;
};

} // namespace velnor
