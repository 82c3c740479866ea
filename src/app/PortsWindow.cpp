#include "app/PortsWindow.h"

#include "settings/StartupSettings.h"
#include "shared/Formats.h"
#include "widgets/WindowHabits.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velnor {

namespace {

enum Column { Port, Device, Description, Manufacturer, Serial, ById, Columns };

} // namespace

PortsWindow::PortsWindow(const IniFile& settings, Source listed, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings), m_listed(std::move(listed))
{
    setObjectName(QStringLiteral("portsWindow"));
    closeOnEscape(this);
    setWindowTitle(QStringLiteral("Ports"));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstPorts"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("Port"), QStringLiteral("Device"),
                             QStringLiteral("Description"), QStringLiteral("Manufacturer"),
                             QStringLiteral("Serial number"), QStringLiteral("Stable name")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_number = new QComboBox(this);
    m_number->setObjectName(QStringLiteral("portNumberList"));
    for (int number = 1; number <= StartupSettings::kPorts; ++number)
        m_number->addItem(QString::number(number));
    m_assign = new QPushButton(QStringLiteral("Assign"), this);
    m_assign->setObjectName(QStringLiteral("assignButton"));
    m_assign->setEnabled(false);
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("outcomeLabel"));
    m_outcome->setWordWrap(true);

    auto* label = new QLabel(QStringLiteral("Give the selected device port number"), this);
    label->setBuddy(m_number);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_number);
    row->addWidget(m_assign);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(row);
    layout->addWidget(m_outcome);
    // Room for a USB adapter's by-id name beside what the system says of it, on a screen
    // 1024 wide.
    resize(960, 280);

    m_poll.setInterval(std::chrono::seconds(1));
    connectSignals();
    m_catalog =
        PortCatalog(m_listed(), PortCatalog::mappedPorts(portMapOf(m_settings)), m_byIdFolder);
    showCatalog({});
}

void PortsWindow::connectSignals()
{
    connect(&m_poll, &QTimer::timeout, this, &PortsWindow::refresh);
    connect(m_assign, &QPushButton::clicked, this, &PortsWindow::assignSelected);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &PortsWindow::selectionChanged);
}

void PortsWindow::setByIdFolder(const QString& folder)
{
    m_byIdFolder = folder;
    refresh();
}

void PortsWindow::showEvent(QShowEvent* event)
{
    refresh();
    m_poll.start();
    QWidget::showEvent(event);
}

void PortsWindow::hideEvent(QHideEvent* event)
{
    m_poll.stop();
    QWidget::hideEvent(event);
}

void PortsWindow::refresh()
{
    PortCatalog now(m_listed(), PortCatalog::mappedPorts(portMapOf(m_settings)), m_byIdFolder);
    if (now == m_catalog)
        return;
    const PortDevice* was = selected();
    const QString keep = was ? was->device : QString();
    m_catalog = std::move(now);
    showCatalog(keep);
}

void PortsWindow::showCatalog(const QString& keep)
{
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (const PortDevice& device : m_catalog.devices()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(Port, formats::numbers(device.ports));
        item->setText(Device, device.device);
        item->setText(Description, device.description.isEmpty() || !device.present
                                       ? PortCatalog::summary(device)
                                       : device.description);
        item->setText(Manufacturer, device.manufacturer);
        item->setText(Serial, device.serialNumber);
        item->setText(ById, device.byId);
        const QString tip = device.ports.isEmpty() ? PortCatalog::summary(device)
                                                   : m_catalog.describe(device.ports.first());
        for (int column = 0; column < Columns; ++column) {
            item->setToolTip(column, tip);
            if (!device.present)
                item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        if (device.device == keep)
            item->setSelected(true);
    }
    selectionChanged();
}

const PortDevice* PortsWindow::selected() const
{
    const QList<QTreeWidgetItem*> items = m_list->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const qsizetype row = m_list->indexOfTopLevelItem(items.first());
    return row >= 0 && row < m_catalog.devices().size() ? &m_catalog.devices().at(row) : nullptr;
}

void PortsWindow::selectionChanged()
{
    const PortDevice* device = selected();
    m_assign->setEnabled(device != nullptr);
    if (!device)
        return;
    // Offer the number it has, or else the first that reaches nothing yet.
    int offer = device->ports.value(0);
    for (int number = 1; offer == 0 && number <= StartupSettings::kPorts; ++number) {
        if (!m_catalog.reaching(number))
            offer = number;
    }
    if (offer > 0)
        m_number->setCurrentIndex(offer - 1);
}

void PortsWindow::assignSelected()
{
    const PortDevice* device = selected();
    if (!device)
        return;
    const int number = m_number->currentIndex() + 1;
    const PortDevice* before = m_catalog.reaching(number);
    const QString earlier = before && before->device != device->device
                                ? QStringLiteral(" (it opened %1 before)").arg(before->device)
                                : QString();
    QString error;
    if (!PortCatalog::assign(portMapOf(m_settings), number, *device, &error)) {
        m_outcome->setText(QStringLiteral("Port %1 was not changed: %2").arg(number).arg(error));
        return;
    }
    m_outcome->setText(
        QStringLiteral("Port %1 now opens %2%3.").arg(number).arg(device->stableName(), earlier));
    refresh();
    emit portAssigned(number);
}

} // namespace velnor
