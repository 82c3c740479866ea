#include "app/frmMain.h"

#include "widgets/ClassicLook.h"
#include "widgets/ClickGate.h"
#include "commands/DeviceSelection.h"
#include "commands/DisplayCommands.h"
#include "commands/InputOutputCommands.h"
#include "commands/TextCommands.h"
#include "config/frmConfigLcd.h"
#include "link/SerialPort.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"
#include "shared/Variables.h"
#include "shared/Wire.h"
#include "ui_frmMain.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QLayout>
#include <QSignalBlocker>
#include <QStatusBar>

namespace velnor {

namespace {

constexpr int kPorts = StartupSettings::kPorts;
// The address list opens with the broadcast address, then every address a module can have.
constexpr int kFirstAddress = wire::Broadcast;
constexpr int kLastAddress = wire::LastAddress;
constexpr int kClientWidth = 690;
constexpr int kClientHeight = 498;
constexpr int kStatusHeight = 17;
constexpr qreal kInputPitch = 24;
const QString kSpeed9600 = QStringLiteral("9600");
const QString kSpeed4800 = QStringLiteral("4800");

// "1".."count" (or first..last) as list entries.
QStringList numbers(int first, int last)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items.append(QString::number(n));
    return items;
}

void fill(QComboBox* list, const QStringList& items)
{
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(0);
}

} // namespace

frmMain::frmMain(Variables& vars, const IniFile& settings, SerialPort& port, TickSource& ticks,
                 MessageSink& messages, ConfigLine configLine, QWidget* parent)
    : QMainWindow(parent), m_vars(vars), m_settings(settings), m_port(port), m_messages(messages),
      m_configLine(configLine), m_ui(std::make_unique<Ui::frmMain>()),
      m_link(vars, port, ticks, messages, m_monitor), m_exchanges(vars, m_link, port),
      m_receiver(vars, port, m_monitor), m_gate(new ClickGate(vars, this))
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
    makeCommands();
    Form_Load();
    connectSignals();
}

frmMain::~frmMain()
{
    delete m_config;
}

void frmMain::makeCommands()
{
    SelectionControls selection;
    selection.cboAddr = m_ui->cboAddr;
    selection.cmdSelect = m_ui->cmdSelect;
    selection.cmdDeselect = m_ui->cmdDeselect;
    selection.Frame3 = m_ui->Frame3;
    selection.Check1 = m_ui->Check1;
    selection.Backlight = m_ui->Backlight;
    selection.PrintText = m_ui->PrintText;
    selection.CurControl = m_ui->CurControl;
    selection.CustomChar = m_ui->CustomChar;
    selection.InputStatus = m_ui->InputStatus;
    selection.Output = m_ui->Output;
    selection.status = m_statusPanel;
    m_selection = std::make_unique<DeviceSelection>(m_vars, m_exchanges, selection);

    TextControls text;
    text.txtLine1 = m_ui->txtLine1;
    text.txtLine2 = m_ui->txtLine2;
    text.cboPT = m_ui->cboPT;
    text.cboPTR = m_ui->cboPTR;
    m_text = std::make_unique<TextCommands>(m_vars, m_link, m_messages, text);

    DisplayControls display;
    display.cboRow = m_ui->cboRow;
    display.cboColumn = m_ui->cboColumn;
    display.Check1 = m_ui->Check1;
    display.cmdDeselect = m_ui->cmdDeselect;
    m_display = std::make_unique<DisplayCommands>(m_link, m_messages, display);

    InputOutputControls inputOutput;
    inputOutput.Shape1 = m_Shape1;
    inputOutput.cboOutput = m_ui->cboOutput;
    inputOutput.cboOF = m_ui->cboOF;
    inputOutput.status = m_statusPanel;
    m_inputOutput =
        std::make_unique<InputOutputCommands>(m_exchanges, m_link, m_messages, inputOutput);
}

QButtonGroup* frmMain::controlArray(const QString& name,
                                    std::initializer_list<QAbstractButton*> members)
{
    auto* group = new QButtonGroup(this);
    group->setObjectName(name);
    int index = 0;
    for (QAbstractButton* member : members)
        group->addButton(member, index++);
    return group;
}

void frmMain::setUpLook()
{
    useWindowLook(this);
    for (QWidget* line : {m_ui->txtLine1, m_ui->txtLine2})
        lookLikeTheDisplay(line);
    for (QLabel* monitor : {m_ui->lblTxData, m_ui->lblRxData}) {
        monitor->setAutoFillBackground(true);
        QPalette palette = monitor->palette();
        palette.setColor(QPalette::Window, QColor(255, 255, 192));
        palette.setColor(QPalette::WindowText, QColor(0, 0, 192));
        monitor->setPalette(palette);
    }
    for (QFrame* shape : m_Shape1) {
        shape->setFrameShape(QFrame::Box);
        shape->setAutoFillBackground(true);
        QPalette palette = shape->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        shape->setPalette(palette);
    }
    alignInputNumbers();

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

void frmMain::alignInputNumbers()
{
    // The numbers under the input squares are one caption of digits and blanks; blanks are
    // narrower than the squares' pitch in most fonts, so the gaps are widened or narrowed
    // to put each digit under its square.
    QLabel* numbers = m_ui->Label9;
    const QString text = numbers->text();
    const auto centres = [&text](const QFont& font) {
        const QFontMetricsF metrics(font);
        QList<qreal> found;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) != QLatin1Char(' '))
                found.append(metrics.horizontalAdvance(text.left(i)) +
                             metrics.horizontalAdvance(text.at(i)) / 2);
        }
        return found;
    };
    QList<qreal> at = centres(numbers->font());
    if (at.size() != 8)
        return;
    QFont font = numbers->font();
    font.setWordSpacing(kInputPitch - (at.last() - at.first()) / (at.size() - 1));
    numbers->setFont(font);
    at = centres(font);
    const QWidget* first = m_ui->Shape1_0;
    const qreal firstCentre = first->x() + first->width() / 2.0;
    numbers->move(
        qRound(firstCentre - (at.first() + at.last()) / 2 + (at.size() - 1) * kInputPitch / 2.0),
        numbers->y());
}

void frmMain::Form_Load()
{
    // Unusable entries fall back to the first list entries.
    const StartupSettings startup = StartupSettings::read(m_settings);
    const int port = startup.port;
    m_vars.PortNumber = QString::number(port);
    m_vars.PortSettings = startup.lineSettings;
    m_vars.DeviceAddr = quint8(startup.address);

    fill(m_ui->cboComm, numbers(1, kPorts));
    m_ui->cboComm->setCurrentIndex(port - 1);

    if (startup.at9600()) {
        m_ui->opt9600->setChecked(true);
    } else {
        m_ui->opt4800->setChecked(true);
        opt4800_Click();
    }

    fill(m_ui->cboAddr, numbers(kFirstAddress, kLastAddress));
    m_ui->cboAddr->setCurrentIndex(m_vars.DeviceAddr - kFirstAddress);
    fill(m_ui->cboRow, numbers(0, 1));
    fill(m_ui->cboColumn, numbers(0, 15));
    fill(m_ui->cboPT, numbers(1, 10));
    fill(m_ui->cboPTR, numbers(0, 1));
    fill(m_ui->cboOutput, numbers(1, 8));
    fill(m_ui->cboOF, {QStringLiteral("ON"), QStringLiteral("OFF")});

    m_port.setSettings(m_vars.PortSettings);
    m_port.setCommPort(port);
    m_port.setRThreshold(2);
    m_port.setInputMode(SerialPort::InputModeBinary);
}

void frmMain::connectSignals()
{
    m_gate->list(m_ui->cboComm, [this](int index) { cboComm_Click(index); });
    auto* speeds = new QButtonGroup(this);
    speeds->addButton(m_ui->opt9600, 0);
    speeds->addButton(m_ui->opt4800, 1);
    m_gate->group(speeds, [this](int id) { id == 0 ? opt9600_Click() : opt4800_Click(); });
    m_gate->action(m_ui->mnuConfig, [this] { mnuConfig_Click(); });

    DeviceSelection* selection = m_selection.get();
    m_gate->button(m_ui->cmdSelect, [selection] { selection->cmdSelect_Click(); });
    m_gate->button(m_ui->cmdDeselect, [selection] { selection->cmdDeselect_Click(); });
    m_gate->checkBox(m_ui->Check1,
                     [selection](bool checked) { selection->Check1_Click(checked); });

    TextCommands* text = m_text.get();
    m_gate->button(m_ui->cmdSendText, [text] { text->cmdSendText_Click(); });
    m_gate->button(m_ui->cmdClearDisplay, [text] { text->cmdClearDisplay_Click(); });
    m_gate->button(m_ui->cmdPT, [text] { text->cmdPT_Click(); });

    DisplayCommands* display = m_display.get();
    m_gate->button(m_ui->cmdSetCursor, [display] { display->cmdSetCursor_Click(); });
    m_gate->button(m_ui->cmdClrRow, [display] { display->cmdClrRow_Click(); });
    m_gate->button(m_ui->cmdClrColumn, [display] { display->cmdClrColumn_Click(); });
    m_gate->group(m_optCur, [display](int index) { display->optCur_Click(index); });
    m_gate->group(m_optBL, [display](int index) { display->optBL_Click(index); });
    m_gate->group(m_cmdCC, [display](int index) { display->cmdCC_Click(index); });

    InputOutputCommands* io = m_inputOutput.get();
    m_gate->button(m_ui->cmdInput, [io] { io->cmdInput_Click(); });
    m_gate->button(m_ui->cmdSOutput, [io] { io->cmdSOutput_Click(); });
    m_gate->button(m_ui->cmdOnAll, [io] { io->cmdOnAll_Click(); });
    m_gate->button(m_ui->cmdOffAll, [io] { io->cmdOffAll_Click(); });
    m_gate->button(m_ui->cmdSN, [io] { io->cmdSN_Click(); });

    connect(&m_monitor, &TrafficMonitor::txTextChanged, m_ui->lblTxData, &QLabel::setText);
    connect(&m_monitor, &TrafficMonitor::rxTextChanged, m_ui->lblRxData, &QLabel::setText);
}

void frmMain::cboComm_Click(int index)
{
    if (index < 0)
        return;
    if (m_vars.PortNumber.toInt() == index + 1)
        return;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_vars.PortNumber = QString::number(index + 1);
    m_port.setCommPort(index + 1);
}

void frmMain::opt4800_Click()
{
    chooseSpeed(kSpeed4800);
}

void frmMain::opt9600_Click()
{
    chooseSpeed(kSpeed9600);
}

void frmMain::chooseSpeed(const QString& speed)
{
    if (m_vars.PortSettings.left(4) == speed)
        return;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_vars.PortSettings = speed + QStringLiteral(",n,8,1");
    m_port.setSettings(m_vars.PortSettings);
}

void frmMain::mnuConfig_Click()
{
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_statusPanel->setText(QStringLiteral("Disconnected"));
    // One window for the whole run: an open one comes to the front without loading again; a
    // closed one is gone, and the next one loads afresh.
    if (!m_config)
        m_config = new frmConfigLcd(m_vars, m_configLine.port, m_configLine.ticks, m_messages,
                                    m_settings, m_ui->cboComm->currentIndex(), this);
    m_config->show();
    m_config->raise();
    m_config->activateWindow();
}

} // namespace velnor
