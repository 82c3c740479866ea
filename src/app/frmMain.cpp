#include "app/frmMain.h"

#include "widgets/AppIcon.h"
#include "widgets/ClassicLook.h"
#include "widgets/ClickGate.h"
#include "commands/DeviceSelection.h"
#include "config/frmConfigLcd.h"
#include "link/SerialPort.h"
#include "settings/IniFile.h"
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

constexpr int kPorts = 20;
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

// A whole number in [low, high] from a settings value, or fallback.
int numberIn(const QString& text, int low, int high, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
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
    setUpLook();

    SelectionControls controls;
    controls.cboAddr = m_ui->cboAddr;
    controls.cmdSelect = m_ui->cmdSelect;
    controls.cmdDeselect = m_ui->cmdDeselect;
    controls.Frame3 = m_ui->Frame3;
    controls.Check1 = m_ui->Check1;
    controls.Backlight = m_ui->Backlight;
    controls.PrintText = m_ui->PrintText;
    controls.CurControl = m_ui->CurControl;
    controls.CustomChar = m_ui->CustomChar;
    controls.InputStatus = m_ui->InputStatus;
    controls.Output = m_ui->Output;
    controls.status = m_statusPanel;
    m_selection = std::make_unique<DeviceSelection>(vars, m_exchanges, controls);

    Form_Load();
    connectSignals();
}

frmMain::~frmMain()
{
    delete m_config;
}

void frmMain::setUpLook()
{
    registerWindowFonts();
    setWindowIcon(appIcon());
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    setFont(tahoma);

    // Text boxes look like the module's own green display.
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(8.25);
    arial.setBold(true);
    for (QWidget* line : {m_ui->txtLine1, m_ui->txtLine2}) {
        line->setFont(arial);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Base, QColor(0, 255, 0));
        palette.setColor(QPalette::Text, Qt::black);
        line->setPalette(palette);
    }
    for (QLabel* monitor : {m_ui->lblTxData, m_ui->lblRxData}) {
        monitor->setAutoFillBackground(true);
        QPalette palette = monitor->palette();
        palette.setColor(QPalette::Window, QColor(255, 255, 192));
        palette.setColor(QPalette::WindowText, QColor(0, 0, 192));
        monitor->setPalette(palette);
    }
    for (int i = 0; i < 8; ++i) {
        auto* shape = m_ui->InputStatus->findChild<QFrame*>(QStringLiteral("Shape1_%1").arg(i));
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
    QLabel* numbers = m_ui->Label6;
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
    // With no settings file at all the program starts as designed: port 1, address 100,
    // 9600 bit/s. A file with unusable entries falls back to the first list entries.
    const bool haveSettings = QFileInfo(m_settings.path()).isFile();
    const QString portText =
        m_settings.ReadIni(QStringLiteral("Settings"), QStringLiteral("CommPort"));
    const QString settingText =
        haveSettings ? m_settings.ReadIni(QStringLiteral("Settings"), QStringLiteral("Setting"))
                     : QStringLiteral("9600,n,8,1");
    const QString uidText = m_settings.ReadIni(QStringLiteral("LCD"), QStringLiteral("UID"));

    const int port = numberIn(portText, 1, kPorts, 1);
    m_vars.PortNumber = QString::number(port);
    m_vars.PortSettings = settingText;
    m_vars.DeviceAddr = quint8(numberIn(uidText, kFirstAddress, kLastAddress, kFirstAddress));

    fill(m_ui->cboComm, numbers(1, kPorts));
    m_ui->cboComm->setCurrentIndex(port - 1);

    if (m_vars.PortSettings.left(4) == kSpeed9600) {
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
