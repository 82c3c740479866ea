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
#include <QCheckBox>
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
    m_inputSquares = {m_ui->inputSquare_0, m_ui->inputSquare_1, m_ui->inputSquare_2,
                      m_ui->inputSquare_3, m_ui->inputSquare_4, m_ui->inputSquare_5,
                      m_ui->inputSquare_6, m_ui->inputSquare_7};
    m_cursorStyles = controlArray(QStringLiteral("cursorStyles"),
                                  {m_ui->cursorStyle_0, m_ui->cursorStyle_1, m_ui->cursorStyle_2});
    m_backlights = controlArray(QStringLiteral("backlights"),
                                {m_ui->backlight_0, m_ui->backlight_1, m_ui->backlight_2});
    m_customCharButtons =
        controlArray(QStringLiteral("customCharButtons"),
                     {m_ui->customCharButton_0, m_ui->customCharButton_1, m_ui->customCharButton_2,
                      m_ui->customCharButton_3, m_ui->customCharButton_4, m_ui->customCharButton_5,
                      m_ui->customCharButton_6, m_ui->customCharButton_7});
    setUpLook();
    showSettings();
    connectSignals();
    // Beside the given controls, once they are filled and wired (the port tooltips follow the
    // port chosen): the line's tools, and a watch of the inputs that gives way to any command.
    Ui::MainWindow& ui = *m_ui;
    m_line = new LineMenu(m_panel, m_settings, *m_gate,
                          {ui.trafficLogAction, ui.portsAction, ui.findModulesAction,
                           ui.displaysAction, ui.commissionAction, ui.portList, ui.addressList,
                           statusBar(), m_statusPanel, this});
    connect(m_line, &LineMenu::searchEnded, this, &MainWindow::releaseSelection);
    m_watch = new InputWatchWindow(m_panel, this);
    m_gate->setBeforeClick([this] { m_watch->stop(); });
    connect(m_watchBox, &QCheckBox::clicked, this, [this](bool checked) {
        checked ? m_watch->start(m_selection->state().address) : m_watch->stop();
    });
    connect(m_watch, &InputWatchWindow::watchingChanged, m_watchBox, &QCheckBox::setChecked);
    connect(m_watch, &InputWatchWindow::inputsRead, this, &MainWindow::showInputs);
    connect(m_watch, &InputWatchWindow::statusChanged, m_statusPanel, &QLabel::setText);
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
    for (QWidget* line : {m_ui->line1Box, m_ui->line2Box})
        lookLikeTheDisplay(line);
    for (QLabel* monitor : {m_ui->sentBytes, m_ui->receivedBytes})
        lookLikeTheMonitor(monitor);
    for (QFrame* shape : m_inputSquares) {
        shape->setFrameShape(QFrame::Box);
        shape->setAutoFillBackground(true);
        QPalette palette = shape->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        shape->setPalette(palette);
    }
    alignDigitsUnder(m_ui->inputNumbers, m_ui->inputSquare_0, int(m_inputSquares.size()),
                     kInputPitch);

    // Linux screen readers find a list through the label it is labelled by (its buddy);
    // elsewhere they read the accessible name, so both carry the caption beside the list.
    for (QLabel* label : findChildren<QLabel*>()) {
        if (auto* list = qobject_cast<QComboBox*>(label->buddy()))
            list->setAccessibleName(label->text());
    }

    m_ui->centralwidget->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setFixedHeight(kStatusHeight);
    // A permanent widget, so that a menu's hover text never wipes what the program wrote.
    m_statusPanel = new QLabel(statusBar());
    m_statusPanel->setObjectName(QStringLiteral("statusText"));
    m_statusPanel->setFrameShape(QFrame::Panel);
    m_statusPanel->setFrameShadow(QFrame::Sunken);
    statusBar()->addPermanentWidget(m_statusPanel, 1);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // In the title row at the right end, over the group's frame line, so every given control
    // of the group keeps its place.
    QGroupBox* inputs = m_ui->inputGroup;
    m_watchBox = new QCheckBox(QStringLiteral("Watch"), inputs);
    m_watchBox->setObjectName(QStringLiteral("watchBox"));
    m_watchBox->setAutoFillBackground(true);
    m_watchBox->setToolTip(QStringLiteral("Read the inputs again and again; any other command "
                                          "stops the watch"));
    m_watchBox->adjustSize();
    m_watchBox->move(inputs->width() - m_watchBox->width() - 8, 0);
}

void MainWindow::showSettings()
{
    // Unusable entries fall back to the first list entries.
    const StartupSettings startup = StartupSettings::read(m_settings);
    m_ports.load(startup);
    m_selection->setAddress(quint8(startup.address));

    fill(m_ui->portList, numberEntries(1, StartupSettings::kPorts));
    m_ui->portList->setCurrentIndex(startup.port - 1);
    (startup.at9600() ? m_ui->speed9600 : m_ui->speed4800)->setChecked(true);

    const QStringList addresses = DeviceSelection::addressEntries();
    fill(m_ui->addressList, addresses);
    m_ui->addressList->setCurrentIndex(int(addresses.indexOf(QString::number(startup.address))));
    fill(m_ui->rowList, DisplayCommands::rowEntries());
    fill(m_ui->columnList, DisplayCommands::columnEntries());
    fill(m_ui->storedTextList, TextCommands::textEntries());
    fill(m_ui->storedTextRowList, TextCommands::rowEntries());
    fill(m_ui->outputList, InputOutputCommands::outputEntries());
    fill(m_ui->outputStateList, InputOutputCommands::stateEntries());
}

void MainWindow::connectSignals()
{
    m_gate->list(m_ui->portList, [this](int index) { m_ports.choosePort(index); });
    auto* speeds = new QButtonGroup(this);
    speeds->addButton(m_ui->speed9600, wire::FastSpeed);
    speeds->addButton(m_ui->speed4800, wire::SlowSpeed);
    m_gate->group(speeds, [this](int baud) { m_ports.chooseSpeed(baud); });
    m_gate->action(m_ui->configAction, [this] { showConfigWindow(); });

    Ui::MainWindow& ui = *m_ui;
    m_gate->button(ui.selectButton,
                   [this] { m_selection->select(m_ui->addressList->currentText()); });
    m_gate->button(ui.deselectButton, [this] { m_selection->deselect(); });
    m_gate->checkBox(ui.broadcastBox, [this](bool checked) {
        m_ui->addressList->setCurrentIndex(m_selection->setBroadcast(checked));
    });

    m_gate->button(ui.sendTextButton,
                   [this] { m_text.sendText(m_ui->line1Box->text(), m_ui->line2Box->text()); });
    m_gate->button(ui.clearDisplayButton, [this] {
        m_ui->line1Box->clear();
        m_ui->line2Box->clear();
        m_text.clearDisplay();
    });
    m_gate->button(ui.showStoredTextButton, [this] {
        m_text.showStoredText(m_ui->storedTextList->currentText(),
                              m_ui->storedTextRowList->currentText());
    });

    m_gate->button(ui.setCursorButton, [this] {
        m_display.setCursor(m_ui->rowList->currentText(), m_ui->columnList->currentText());
    });
    m_gate->button(ui.clearRowButton,
                   [this] { m_display.clearRow(m_ui->rowList->currentText()); });
    m_gate->button(ui.clearColumnButton,
                   [this] { m_display.clearColumn(m_ui->columnList->currentText()); });
    m_gate->group(m_cursorStyles, [this](int index) { m_display.setCursorStyle(index); });
    m_gate->group(m_backlights, [this](int index) { m_display.setBacklight(index); });
    m_gate->group(m_customCharButtons,
                  [this](int index) { m_display.showCustomCharacter(index); });

    m_gate->button(ui.readInputsButton,
                   [this] { m_inputOutput->readInputs(m_selection->state().address); });
    m_gate->button(ui.setOutputButton, [this] {
        m_inputOutput->setOutput(m_ui->outputList->currentText(),
                                 m_ui->outputStateList->currentText());
    });
    m_gate->button(ui.allOnButton, [this] { m_inputOutput->allOutputsOn(); });
    m_gate->button(ui.allOffButton, [this] { m_inputOutput->allOutputsOff(); });
    m_gate->button(ui.serialNumberButton, [this] { m_inputOutput->showSerialNumber(); });
}

void MainWindow::connectOutcomes()
{
    connect(m_selection, &DeviceSelection::statusChanged, m_statusPanel, &QLabel::setText);
    connect(m_selection, &DeviceSelection::stateChanged, this, &MainWindow::showSelection);
    connect(m_inputOutput, &InputOutputCommands::statusChanged, m_statusPanel, &QLabel::setText);
    connect(m_inputOutput, &InputOutputCommands::inputsRead, this, &MainWindow::showInputs);
    TrafficMonitor& monitor = m_panel.monitor();
    connect(&monitor, &TrafficMonitor::txTextChanged, m_ui->sentBytes, &QLabel::setText);
    connect(&monitor, &TrafficMonitor::rxTextChanged, m_ui->receivedBytes, &QLabel::setText);
}

void MainWindow::showSelection(const Selection& state)
{
    // A button switched off under the focus hands it to the next control, the broadcast box,
    // where Space would switch broadcast mode on: after a select the focus goes to the text.
    QWidget* focused = focusWidget();
    m_ui->addressGroup->setEnabled(!state.broadcast);
    m_ui->selectButton->setEnabled(!state.selected);
    m_ui->deselectButton->setEnabled(state.selected);
    for (QWidget* group : {m_ui->backlightGroup, m_ui->textGroup, m_ui->cursorGroup,
                           m_ui->customCharGroup, m_ui->outputGroup})
        group->setEnabled(state.sendingGroupsOpen);
    m_ui->inputGroup->setEnabled(state.inputsOpen);
    // Deselecting closes the input group: the watch ends with it.
    if (!state.inputsOpen)
        m_watch->stop();
    if (focused == m_ui->selectButton && state.selected)
        m_ui->line1Box->setFocus(Qt::OtherFocusReason);
    else if (focused == m_ui->deselectButton && !state.selected)
        m_ui->selectButton->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showInputs(const InputStates& states)
{
    // An input whose bit is set shows white, one whose bit is clear red.
    for (size_t i = 0; i < states.size(); ++i) {
        QPalette palette = m_inputSquares.at(i)->palette();
        palette.setColor(QPalette::Window,
                         states.at(i) ? QColor(255, 255, 255) : QColor(255, 0, 0));
        m_inputSquares.at(i)->setPalette(palette);
    }
}

void MainWindow::releaseSelection()
{
    m_statusPanel->setText(QStringLiteral("Disconnected"));
    {
        const QSignalBlocker blocker(m_ui->broadcastBox);
        m_ui->broadcastBox->setChecked(false);
    }
    m_ui->addressList->setCurrentIndex(m_selection->released());
}

void MainWindow::showConfigWindow()
{
    m_panel.closePort();
    // The window selects every module and its upload ends by releasing them.
    releaseSelection();
    // One window for the whole run: an open one comes to the front without loading again; a
    // closed one is gone, and the next one loads afresh.
    if (!m_config)
        m_config = new ConfigWindow(m_panel, m_settings, m_ui->portList->currentIndex(), this);
    m_config->show();
    m_config->raise();
    m_config->activateWindow();
}

} // namespace velnor
