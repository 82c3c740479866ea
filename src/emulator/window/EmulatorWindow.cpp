#include "emulator/window/EmulatorWindow.h"

#include "emulator/Line.h"
#include "emulator/window/ModulePanel.h"
#include "shared/Formats.h"

#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QSet>
#include <QStatusBar>
#include <QVBoxLayout>

namespace velnor {

namespace {

constexpr int MessageMs = 8000;

QString hex(const QByteArray& bytes)
{
    // A long frame, such as the 64 bitmap bytes, is cut so the line keeps to the window's width.
    if (bytes.isEmpty())
        return QStringLiteral("\u2014");
    const QString text = formats::hex(bytes.left(16));
    return bytes.size() > 16 ? text + QStringLiteral(" \u2026") : text;
}

} // namespace

EmulatorWindow::EmulatorWindow(Line& line, QWidget* parent)
    : QMainWindow(parent), m_line(line), m_device(new QLabel(this)), m_speed(new QLabel(this)),
      m_peer(new QLabel(this)), m_traffic(new QLabel(this)), m_notice(new QLabel(this))
{
    setWindowTitle(line.silent() ? tr("Velnor module emulator (silent)")
                                 : tr("Velnor module emulator"));

    auto* modules = new QWidget;
    auto* layout = new QVBoxLayout(modules);
    m_modules = layout;
    layout->addStretch();
    makePanels();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(modules);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // The device, the last bytes each way and passing notices sit under the modules: in the
    // status bar they ran into its labels. Long ones wrap rather than widen the window.
    m_notice->setObjectName(QStringLiteral("noticeLabel"));
    m_notice->setWordWrap(true);
    m_notice->setContentsMargins(8, 2, 8, 2);
    m_notice->setStyleSheet(QStringLiteral("QLabel { color: #C62828; }"));
    m_notice->hide();
    m_noticeTimer.setSingleShot(true);
    connect(&m_noticeTimer, &QTimer::timeout, m_notice, &QWidget::hide);
    m_device->setWordWrap(true);
    m_device->setContentsMargins(8, 2, 8, 2);
    m_device->hide(); // until there is a device to name
    m_traffic->setTextFormat(Qt::PlainText);
    m_traffic->setFont(QFont(QStringLiteral("Monospace")));
    m_traffic->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_traffic->setContentsMargins(8, 2, 8, 2);
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->addWidget(scroll, 1);
    centralLayout->addWidget(m_notice);
    centralLayout->addWidget(m_device);
    centralLayout->addWidget(m_traffic);
    setCentralWidget(central);
    // Room for two modules without scrolling at the start; more scroll.
    const int shown = qMin(int(m_panels.size()), 2);
    const int panelHeight = m_panels.isEmpty() ? 0 : m_panels.first()->sizeHint().height();
    scroll->setMinimumSize(modules->sizeHint().width() + 20,
                           shown * (panelHeight + layout->spacing()) + 20);

    QMenu* menu = menuBar()->addMenu(tr("&Line"));
    QAction* powerCycle = menu->addAction(tr("&Power cycle"));
    powerCycle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    powerCycle->setToolTip(tr("Switch the modules off and on: each starts from its store"));
    connect(powerCycle, &QAction::triggered, this, [this] { m_line.powerUp(); });
    for (int baud : {wire::FastSpeed, wire::SlowSpeed}) {
        QAction* plug = menu->addAction(tr("Plug &in a Module at %1 bit/s...").arg(baud));
        connect(plug, &QAction::triggered, this, [this, baud] { plugModule(baud); });
    }
    QMenu* unplug = menu->addMenu(tr("&Unplug"));
    connect(unplug, &QMenu::aboutToShow, this, [this, unplug] { listUnplugging(unplug); });
    menu->addSeparator();
    QAction* quit = menu->addAction(tr("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    statusBar()->addPermanentWidget(m_speed);
    statusBar()->addPermanentWidget(m_peer);
    setPeers(0);
    showFrame({});
    refresh();

    connect(&line, &Line::changed, this, &EmulatorWindow::refresh);
    connect(&line, &Line::modulesChanged, this, &EmulatorWindow::makePanels);
    connect(&line, &Line::conflict, this, &EmulatorWindow::showConflict);
    connect(&line, &Line::storeFailed, this, &EmulatorWindow::showStoreProblem);
    if (!line.storeProblem().isEmpty())
        showStoreProblem(line.storeProblem());
    adjustSize();
    // Later the modules give way, and scroll, when a notice or a device set later needs room:
    // the window would otherwise have to grow to show it.
    scroll->setMinimumHeight(qMin(panelHeight, scroll->minimumHeight()));
}

void EmulatorWindow::setDevice(const QString& link, const QString& device)
{
    m_device->setText(link.isEmpty() ? tr("Device %1").arg(device)
                                     : tr("Device %1 \u2192 %2").arg(link, device));
    m_device->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_device->show();
}

void EmulatorWindow::setPeers(std::optional<int> peers)
{
    if (!peers) {
        m_peer->setText(tr("\u25D0 may be opened"));
        m_peer->setToolTip(tr("Some programs' descriptors cannot be read (another user's, such "
                              "as a panel started with sudo): answers are sent"));
    } else {
        m_peer->setText(*peers == 0   ? tr("\u25CB not opened")
                        : *peers == 1 ? tr("\u25CF opened by a program")
                                      : tr("\u25CF opened by %1 programs").arg(*peers));
        m_peer->setToolTip(QString());
    }
    m_peer->setStyleSheet(peers != 0 ? QStringLiteral("QLabel { color: #2E7D32; }") : QString());
}

void EmulatorWindow::showFrame(const QByteArray& bytes)
{
    m_lastFrame = hex(bytes);
    m_traffic->setText(tr("Last frame in: %1\nAnswer out: %2").arg(m_lastFrame, hex({})));
}

void EmulatorWindow::showAnswer(const QByteArray& bytes)
{
    m_traffic->setText(tr("Last frame in: %1\nAnswer out: %2").arg(m_lastFrame, hex(bytes)));
}

void EmulatorWindow::refresh()
{
    m_speed->setText(tr("line %1 bit/s").arg(m_line.speed()));
    for (ModulePanel* panel : std::as_const(m_panels))
        panel->refresh();
}

void EmulatorWindow::showConflict(quint8 address)
{
    showNotice(
        tr("Two modules with address %1 answered at once: the line carried garbage").arg(address));
}

void EmulatorWindow::showStoreProblem(const QString& reason)
{
    showNotice(tr("Store file: %1").arg(reason));
}

void EmulatorWindow::showNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->show();
    m_noticeTimer.start(MessageMs);
}

void EmulatorWindow::makePanels()
{
    qDeleteAll(m_panels);
    m_panels.clear();
    for (int i = 0; i < m_line.moduleCount(); ++i) {
        auto* panel = new ModulePanel(m_line, i);
        m_panels.append(panel);
        m_modules->insertWidget(i, panel); // above the stretch
    }
}

void EmulatorWindow::plugModule(int baud)
{
    bool ok = false;
    const int address = QInputDialog::getInt(
        this, tr("Plug in a Module"), tr("Factory address of the new module:"), wire::FirstAddress,
        wire::FirstAddress, wire::LastAddress, 1, &ok);
    if (ok)
        m_line.plug(quint8(address), baud);
}

void EmulatorWindow::listUnplugging(QMenu* menu)
{
    menu->clear();
    QSet<quint8> listed;
    for (int i = 0; i < m_line.moduleCount(); ++i) {
        const quint8 address = m_line.module(i).address();
        if (listed.contains(address))
            continue;
        listed.insert(address);
        connect(menu->addAction(tr("Module at Address %1").arg(address)), &QAction::triggered,
                this, [this, address] { m_line.unplug(address); });
    }
    menu->addSeparator();
    QAction* all = menu->addAction(tr("&All Modules"));
    all->setEnabled(m_line.moduleCount() > 0);
    connect(all, &QAction::triggered, this, [this] { m_line.unplug(0); });
}

} // namespace velnor
