#include "app/FindModulesWindow.h"

#include "shared/Formats.h"
#include "shared/Wire.h"
#include "widgets/ClickGate.h"
#include "widgets/WindowHabits.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velnor {

namespace {

enum Column { Address, Reply_, Speed, Why };

} // namespace

FindModulesWindow::FindModulesWindow(Panel& panel, ClickGate& gate, QWidget* parent)
    : QWidget(parent, Qt::Window), m_scan(panel)
{
    setObjectName(QStringLiteral("findModulesWindow"));
    closeOnEscape(this);
    setWindowTitle(QStringLiteral("Find Modules"));

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("scanStateLabel"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgScan"));
    m_bothSpeeds = new QCheckBox(QStringLiteral("Also at the other speed"), this);
    m_bothSpeeds->setObjectName(QStringLiteral("bothSpeedsBox"));
    m_bothSpeeds->setToolTip(QStringLiteral("Modules stored at 4800 bit/s do not hear a line "
                                            "at 9600, and the other way round"));
    m_again = new QPushButton(QStringLiteral("Search Again"), this);
    m_again->setObjectName(QStringLiteral("searchButton"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelSearchButton"));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstModules"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("Address"), QStringLiteral("Reply"),
                             QStringLiteral("Speed"), QStringLiteral("What came back")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setToolTip(QStringLiteral("Double-click an address to pick it in the main window"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_bothSpeeds);
    buttons->addStretch();
    buttons->addWidget(m_again);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_state);
    layout->addWidget(m_progress);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    // Wide enough for a garbled reply's bytes and what they may mean.
    resize(720, 420);

    connect(&m_scan, &ModuleScan::progress, this, &FindModulesWindow::progress);
    connect(&m_scan, &ModuleScan::judged, this, &FindModulesWindow::showResult);
    connect(&m_scan, &ModuleScan::finished, this, &FindModulesWindow::finished);
    // A running watch of the inputs gives way first, as it does to any command.
    gate.button(m_again, [this] { search(); });
    connect(m_cancel, &QPushButton::clicked, &m_scan, &ModuleScan::cancel);
    connect(m_list, &QTreeWidget::itemActivated, this, &FindModulesWindow::chosen);
    m_cancel->setEnabled(false);
}

bool FindModulesWindow::search()
{
    if (!m_scan.start(m_bothSpeeds->isChecked())) {
        m_state->setText(QStringLiteral("Another exchange is under way; search again once it "
                                        "is over."));
        return false;
    }
    m_list->clear();
    m_again->setEnabled(false);
    m_bothSpeeds->setEnabled(false);
    m_cancel->setEnabled(true);
    return true;
}

void FindModulesWindow::closeEvent(QCloseEvent* event)
{
    // Nothing more goes out once the window is gone.
    m_scan.cancel();
    QWidget::closeEvent(event);
}

void FindModulesWindow::progress(int step, int total, int baud, quint8 address)
{
    m_progress->setRange(0, total);
    m_progress->setValue(step - 1);
    m_state->setText(QStringLiteral("Address %1 of %2 (%3) at %4 bit/s")
                         .arg((step - 1) % ModuleScan::kAddresses + 1)
                         .arg(ModuleScan::kAddresses)
                         .arg(address)
                         .arg(baud));
}

void FindModulesWindow::finished(bool completed)
{
    m_progress->setValue(completed ? m_progress->maximum() : m_progress->value());
    m_again->setEnabled(true);
    m_bothSpeeds->setEnabled(true);
    m_cancel->setEnabled(false);
    const ScanResult& result = m_scan.result();
    const auto answered = result.addresses(Reply::Answered).size();
    const auto garbled = result.addresses(Reply::Garbled).size();
    QString text = answered == 1 ? QStringLiteral("1 module answered")
                                 : QStringLiteral("%1 modules answered").arg(answered);
    if (garbled > 0)
        text += QStringLiteral(", %1 garbled").arg(garbled);
    if (!completed)
        text += QStringLiteral(" before the search was cancelled");
    m_state->setText(text + QLatin1Char('.'));
    showResult();
}

void FindModulesWindow::showResult()
{
    // Answering and garbled addresses first, so a short list tells the story; the silent ones
    // follow, greyed.
    const ScanResult& result = m_scan.result();
    const QString keep = m_list->currentItem() ? m_list->currentItem()->text(Address) : QString();
    m_list->clear();
    for (Reply reply : {Reply::Answered, Reply::Garbled, Reply::Silent}) {
        for (quint8 address : result.addresses(reply)) {
            auto* item = new QTreeWidgetItem(m_list);
            item->setText(Address, QString::number(address));
            item->setData(Address, Qt::UserRole, address);
            switch (reply) {
            case Reply::Answered:
                item->setText(Reply_, QStringLiteral("answered"));
                item->setText(Speed, formats::numbers(result.answeringSpeeds(address)));
                break;
            case Reply::Garbled:
                item->setText(Reply_, QStringLiteral("garbled"));
                break;
            case Reply::Silent:
                item->setText(Reply_, QStringLiteral("silent"));
                for (int column = Address; column <= Why; ++column)
                    item->setForeground(column,
                                        palette().brush(QPalette::Disabled, QPalette::Text));
                break;
            }
            // The longest of these run past the window: the tooltip holds all of it.
            const QString heard = why(address);
            item->setText(Why, heard);
            if (!heard.isEmpty())
                item->setToolTip(Why, heard);
            if (item->text(Address) == keep)
                m_list->setCurrentItem(item);
        }
    }
}

QString FindModulesWindow::why(quint8 address) const
{
    QStringList parts;
    const auto heard = [this](int baud, quint8 at) { return m_scan.heard(baud, at); };
    for (const HeardReply& reply : heardReplies(m_scan.result(), heard)) {
        if (reply.address != address)
            continue;
        QString part = QStringLiteral("%1 at %2").arg(reply.bytes).arg(reply.baud);
        if (!reply.cause.isEmpty())
            part += QStringLiteral(": ") + reply.cause;
        parts << part;
    }
    return parts.join(QStringLiteral("; "));
}

void FindModulesWindow::chosen(QTreeWidgetItem* item)
{
    if (item)
        emit addressChosen(quint8(item->data(Address, Qt::UserRole).toUInt()));
}

} // namespace velnor
