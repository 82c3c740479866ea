#include "app/MainWindow.h"

#include "app/InputWatchWindow.h"
#include "app/LineMenu.h"

#include "commands/DeviceSelection.h"
#include "commands/InputOutputCommands.h"
#include "commands/ListEntry.h"
#include "link/Panel.h"
#include "link/SerialPort.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "shared/Wire.h"
#include "ui_MainWindow.h"
#include "widgets/ClassicLook.h"
#include "widgets/DigitRow.h"
#include "widgets/ClickGate.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QLayout>
#include <QSignalBlocker>
#include <QStatusBar>

namespace velnor {

namespace {

constexpr int kClientWidth = 690;
constexpr int kClientHeight = 498;
constexpr int kStatusHeight = 17;
constexpr qreal kInputPitch = 24;

void fill(QComboBox* list, const QStringList& items)
{
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(0);
}

} // namespace

MainWindow::MainWindow(Panel& panel, const IniFile& settings, QWidget* parent)
    : QMainWindow(parent), m_panel(panel), m_settings(settings),
      m_ui(std::make_unique<Ui::MainWindow>()), m_gate(new ClickGate(panel.gate(), this)),
      m_selection(new DeviceSelection(panel.exchanges(), panel.link(), panel.messages(), this)),
      m_inputOutput(
          new InputOutputCommands(panel.exchanges(), panel.link(), panel.messages(), this)),
      m_text(panel.link(), panel.messages()),
      m_display(panel.link(), panel.messages(), m_selection->state()), m_ports(panel.port())
{
    m_ui->setupUi(this);
    m_Shape1 = {m_ui->Shape1_0, m_ui->Shape1_1, m_ui->Shape1_2, m_ui->Shape1_3,
                m_ui->Shape1_4, m_ui->Shape1_5, m_ui->Shape1_6, m_ui->Shape1_7};
    m_optCur =
        controlArray(QStringLiteral("optCur"), {m_ui->optCur_0, m_ui->optCur_1, m_ui->optCur_2});
    m_optBL = controlArray(QStringLiteral("optBL"), {m_ui->optBL_0, m_ui->optBL_1, m_ui->optBL_2});
    m_cmdCC = controlArray(QStringLiteral("cmdCC"),
                           {m_ui->cmdCC_0, m_ui->cmdCC_1, m_ui->cmdCC_2, m_ui->cmdCC_3,
                            m_ui->cmdCC_4, m_ui->cmdCC_5, m_ui->cmdCC_6, m_ui->cmdCC_7});
    setUpLook();
    Form_Load();
    connectSignals();
    connectOutcomes();
}

MainWindow::~MainWindow()
{
    delete m_config;
}

QButtonGroup* MainWindow::controlArray(const QString& name,
                                       std::initializer_list<QAbstractButton*> members)
{
    auto* group = new QButtonGroup(this);
    group->setObjectName(name);
    int index = 0;
    for (QAbstractButton* member : members)
        group->addButton(member, index++);
    return group;
}

void MainWindow::setUpLook()
{
    useWindowLook(this);
    for (QWidget* line : {m_ui->txtLine1, m_ui->txtLine2})
        lookLikeTheDisplay(line);
    for (QLabel* monitor : {m_ui->lblTxData, m_ui->lblRxData})
        lookLikeTheMonitor(monitor);
    for (QFrame* shape : m_Shape1) {
        shape->setFrameShape(QFrame::Box);
        shape->setAutoFillBackground(true);
        QPalette palette = shape->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        shape->setPalette(palette);
    }
    alignDigitsUnder(m_ui->Label9, m_ui->Shape1_0, int(m_Shape1.size()), kInputPitch);

    // Linux screen readers find a list through the label it is labelled by (its buddy);
    // elsewhere they read the accessible name, so both carry the caption beside the list.
    for (QLabel* label : findChildren<QLabel*>()) {
        if (auto* list = qobject_cast<QComboBox*>(label->buddy()))
            list->setAccessibleName(label->text());
    }

    m_ui->centralwidget->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setFixedHeight(kStatusHeight);
    // A permanent widget, so that a menu's hover text never wipes what the program wrote.
    m_statusPanel = new QLabel(statusBar());
    m_statusPanel->setObjectName(QStringLiteral("StatusBar1Panel1"));
    m_statusPanel->setFrameShape(QFrame::Panel);
    m_statusPanel->setFrameShadow(QFrame::Sunken);
    statusBar()->addPermanentWidget(m_statusPanel, 1);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::Form_Load()
{
    // Unusable entries fall back to the first list entries.
    const StartupSettings startup = StartupSettings::read(m_settings);
    m_ports.Form_Load(startup);
    m_selection->setAddress(quint8(startup.address));

    fill(m_ui->cboComm, numberEntries(1, StartupSettings::kPorts));
    m_ui->cboComm->setCurrentIndex(startup.port - 1);
    (startup.at9600() ? m_ui->opt9600 : m_ui->opt4800)->setChecked(true);

    const QStringList addresses = DeviceSelection::addressEntries();
    fill(m_ui->cboAddr, addresses);
    m_ui->cboAddr->setCurrentIndex(int(addresses.indexOf(QString::number(startup.address))));
    fill(m_ui->cboRow, DisplayCommands::rowEntries());
    fill(m_ui->cboColumn, DisplayCommands::columnEntries());
    fill(m_ui->cboPT, TextCommands::textEntries());
    fill(m_ui->cboPTR, TextCommands::rowEntries());
    fill(m_ui->cboOutput, InputOutputCommands::outputEntries());
    fill(m_ui->cboOF, InputOutputCommands::stateEntries());
}

void MainWindow::connectSignals()
{
    m_gate->list(m_ui->cboComm, [this](int index) { cboComm_Click(index); });
    auto* speeds = new QButtonGroup(this);
    speeds->addButton(m_ui->opt9600, 0);
    speeds->addButton(m_ui->opt4800, 1);
    m_gate->group(speeds, [this](int id) { id == 0 ? opt9600_Click() : opt4800_Click(); });
    m_gate->action(m_ui->mnuConfig, [this] { mnuConfig_Click(); });

    Ui::MainWindow& ui = *m_ui;
    m_gate->button(ui.cmdSelect,
                   [this] { m_selection->cmdSelect_Click(m_ui->cboAddr->currentText()); });
    m_gate->button(ui.cmdDeselect, [this] { m_selection->cmdDeselect_Click(); });
    m_gate->checkBox(ui.Check1, [this](bool checked) {
        m_ui->cboAddr->setCurrentIndex(m_selection->Check1_Click(checked));
    });

    m_gate->button(ui.cmdSendText, [this] {
        m_text.cmdSendText_Click(m_ui->txtLine1->text(), m_ui->txtLine2->text());
    });
    m_gate->button(ui.cmdClearDisplay, [this] {
        m_ui->txtLine1->clear();
        m_ui->txtLine2->clear();
        m_text.cmdClearDisplay_Click();
    });
    m_gate->button(ui.cmdPT, [this] {
        m_text.cmdPT_Click(m_ui->cboPT->currentText(), m_ui->cboPTR->currentText());
    });

    m_gate->button(ui.cmdSetCursor, [this] {
        m_display.cmdSetCursor_Click(m_ui->cboRow->currentText(), m_ui->cboColumn->currentText());
    });
    m_gate->button(ui.cmdClrRow,
                   [this] { m_display.cmdClrRow_Click(m_ui->cboRow->currentText()); });
    m_gate->button(ui.cmdClrColumn,
                   [this] { m_display.cmdClrColumn_Click(m_ui->cboColumn->currentText()); });
    m_gate->group(m_optCur, [this](int index) { m_display.optCur_Click(index); });
    m_gate->group(m_optBL, [this](int index) { m_display.optBL_Click(index); });
    m_gate->group(m_cmdCC, [this](int index) { m_display.cmdCC_Click(index); });

    m_gate->button(ui.cmdInput,
                   [this] { m_inputOutput->cmdInput_Click(m_selection->state().address); });
    m_gate->button(ui.cmdSOutput, [this] {
        m_inputOutput->cmdSOutput_Click(m_ui->cboOutput->currentText(),
                                        m_ui->cboOF->currentText());
    });
    m_gate->button(ui.cmdOnAll, [this] { m_inputOutput->cmdOnAll_Click(); });
    m_gate->button(ui.cmdOffAll, [this] { m_inputOutput->cmdOffAll_Click(); });
    m_gate->button(ui.cmdSN, [this] { m_inputOutput->cmdSN_Click(); });
    // Beside the given controls: the line's tools, and a watch of the inputs that gives way to
    // any command.
    auto* line =
        new LineMenu(m_panel, m_settings, *m_gate,
                     {ui.mnuLine, ui.mnuTrafficLog, ui.cboComm, ui.cboAddr, m_statusPanel, this});
    connect(line, &LineMenu::searchEnded, this, &MainWindow::releaseSelection);
    auto* watch = new InputWatchWindow(m_panel, m_selection->state(), ui.InputStatus, this);
    m_gate->setBeforeClick([watch] { watch->stop(); });
    connect(watch, &InputWatchWindow::inputsRead, this, &MainWindow::showInputs);
    connect(watch, &InputWatchWindow::statusChanged, m_statusPanel, &QLabel::setText);
}

void MainWindow::connectOutcomes()
{
    connect(m_selection, &DeviceSelection::statusChanged, m_statusPanel, &QLabel::setText);
    connect(m_selection, &DeviceSelection::stateChanged, this, &MainWindow::showSelection);
    connect(m_inputOutput, &InputOutputCommands::statusChanged, m_statusPanel, &QLabel::setText);
    connect(m_inputOutput, &InputOutputCommands::inputsRead, this, &MainWindow::showInputs);
    TrafficMonitor& monitor = m_panel.monitor();
    connect(&monitor, &TrafficMonitor::txTextChanged, m_ui->lblTxData, &QLabel::setText);
    connect(&monitor, &TrafficMonitor::rxTextChanged, m_ui->lblRxData, &QLabel::setText);
}

void MainWindow::showSelection(const Selection& state)
{
    // A button switched off under the focus hands it to the next control, the broadcast box,
    // where Space would switch broadcast mode on: after a select the focus goes to the text.
    QWidget* focused = focusWidget();
    m_ui->Frame3->setEnabled(!state.broadcast);
    m_ui->cmdSelect->setEnabled(!state.selected);
    m_ui->cmdDeselect->setEnabled(state.selected);
    for (QWidget* group :
         {m_ui->Backlight, m_ui->PrintText, m_ui->CurControl, m_ui->CustomChar, m_ui->Output})
        group->setEnabled(state.sendingGroupsOpen);
    m_ui->InputStatus->setEnabled(state.inputsOpen);
    if (focused == m_ui->cmdSelect && state.selected)
        m_ui->txtLine1->setFocus(Qt::OtherFocusReason);
    else if (focused == m_ui->cmdDeselect && !state.selected)
        m_ui->cmdSelect->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showInputs(const InputStates& states)
{
    // An input whose bit is set shows white, one whose bit is clear red.
    for (size_t i = 0; i < states.size(); ++i) {
        QPalette palette = m_Shape1.at(i)->palette();
        palette.setColor(QPalette::Window,
                         states.at(i) ? QColor(255, 255, 255) : QColor(255, 0, 0));
        m_Shape1.at(i)->setPalette(palette);
    }
}

void MainWindow::cboComm_Click(int index)
{
    m_ports.cboComm_Click(index);
}

void MainWindow::opt4800_Click()
{
    m_ports.chooseSpeed(wire::SlowSpeed);
}

void MainWindow::opt9600_Click()
{
    m_ports.chooseSpeed(wire::FastSpeed);
}

void MainWindow::releaseSelection()
{
    m_statusPanel->setText(QStringLiteral("Disconnected"));
    {
        const QSignalBlocker blocker(m_ui->Check1);
        m_ui->Check1->setChecked(false);
    }
    m_ui->cboAddr->setCurrentIndex(m_selection->released());
}

void MainWindow::mnuConfig_Click()
{
    m_panel.closePort();
    // The window selects every module and its upload ends by releasing them.
    releaseSelection();
    // One window for the whole run: an open one comes to the front without loading again; a
    // closed one is gone, and the next one loads afresh.
    if (!m_config)
        m_config = new ConfigWindow(m_panel, m_settings, m_ui->cboComm->currentIndex(), this);
    m_config->show();
    m_config->raise();
    m_config->activateWindow();
}

} // namespace velnor
