#include "app/LogWindow.h"

#include "link/LogExport.h"
#include "link/TrafficLog.h"
#include "shared/Wire.h"
#include "system/WholeFile.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace velnor {

namespace {

// Bytes the Bytes column shows whole.
constexpr int kBytesShown = 16;
// Room left for the meaning, in digits: about a text of the main window with both rows.
constexpr int kMeaningDigits = 40;
// The window opens no wider than the smallest screen it is meant for.
constexpr int kSmallScreenWidth = 1024;

} // namespace

LogWindow::LogWindow(TrafficLog& log, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_log(log), m_shown(new QSortFilterProxyModel(this)),
      m_address(new QComboBox(this)), m_pause(new QPushButton(tr("Pause"), this)),
      m_clear(new QPushButton(tr("Clear"), this)), m_copy(new QPushButton(tr("Copy"), this)),
      m_save(new QPushButton(tr("Save..."), this)), m_table(new QTableView(this)),
      m_bound(new QLabel(this)), m_status(new QLabel(this))
{
    setWindowTitle(tr("Traffic Log"));
    setObjectName(QStringLiteral("logWindow"));
    m_address->setObjectName(QStringLiteral("addressFilter"));
    m_pause->setObjectName(QStringLiteral("pauseButton"));
    m_clear->setObjectName(QStringLiteral("clearLogButton"));
    m_copy->setObjectName(QStringLiteral("copyLogButton"));
    m_save->setObjectName(QStringLiteral("saveLogButton"));
    m_table->setObjectName(QStringLiteral("logTable"));
    m_bound->setObjectName(QStringLiteral("boundLabel"));
    m_status->setObjectName(QStringLiteral("statusLabel"));

    m_address->addItem(tr("All addresses"), -1);
    for (int address = wire::Broadcast; address <= wire::LastAddress; ++address)
        m_address->addItem(QString::number(address), address);
    m_pause->setCheckable(true);
    m_pause->setChecked(log.paused());

    m_shown->setSourceModel(&log);
    m_shown->setFilterKeyColumn(TrafficLog::Address);
    m_table->setModel(m_shown);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* columns = m_table->horizontalHeader();
    const QFontMetrics metrics = fontMetrics();
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const auto room = [&metrics, digit](const QString& widest, int padDigits) {
        return metrics.horizontalAdvance(widest) + digit * padDigits;
    };
    columns->resizeSection(TrafficLog::Time, room(QStringLiteral("00:00:00.000"), 2));
    columns->resizeSection(TrafficLog::Window, room(QStringLiteral("configuration"), 2));
    columns->resizeSection(TrafficLog::Line, room(QStringLiteral("port 20, 9600"), 2));
    columns->resizeSection(TrafficLog::Direction, room(QStringLiteral("Direction"), 3));
    columns->resizeSection(TrafficLog::Address, room(QStringLiteral("Address"), 3));
    // Every frame of the main window shows whole but a text of more than 15 characters (up to
    // 34 bytes): room for those would leave the meaning none on a 1024-wide screen. They and
    // the configuration's blocks end in "..." and show whole in their tooltip and in what is
    // copied or saved.
    int hexDigit = 0;
    for (const QChar ch : QStringLiteral("0123456789ABCDEF"))
        hexDigit = std::max(hexDigit, metrics.horizontalAdvance(ch));
    columns->resizeSection(TrafficLog::Bytes,
                           kBytesShown * (hexDigit * 2 + metrics.horizontalAdvance(u' ')) +
                               digit * 2);
    columns->setStretchLastSection(true);

    showWaiting(log.waiting());

    auto* tools = new QHBoxLayout;
    tools->addWidget(new QLabel(tr("Address"), this));
    tools->addWidget(m_address);
    tools->addStretch();
    for (QPushButton* button : {m_pause, m_clear, m_copy, m_save})
        tools->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_table, 1);
    auto* footer = new QHBoxLayout;
    footer->addWidget(m_bound);
    footer->addStretch();
    footer->addWidget(m_status);
    layout->addLayout(footer);
    int width = m_table->frameWidth() * 2 + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                style()->pixelMetric(QStyle::PM_LayoutLeftMargin) +
                style()->pixelMetric(QStyle::PM_LayoutRightMargin) + digit * kMeaningDigits;
    for (int column = TrafficLog::Time; column < TrafficLog::Meaning; ++column)
        width += columns->sectionSize(column);
    resize(std::min(width, kSmallScreenWidth), metrics.height() * 30);
    connectSignals();
}

void LogWindow::connectSignals()
{
    connect(m_address, &QComboBox::currentIndexChanged, this, &LogWindow::filterByAddress);
    connect(m_pause, &QPushButton::toggled, &m_log, &TrafficLog::setPaused);
    connect(&m_log, &TrafficLog::pausedChanged, m_pause, &QPushButton::setChecked);
    connect(&m_log, &TrafficLog::pausedChanged, this, [this] { showWaiting(m_log.waiting()); });
    connect(&m_log, &TrafficLog::waitingChanged, this, &LogWindow::showWaiting);
    connect(m_clear, &QPushButton::clicked, &m_log, &TrafficLog::clear);
    connect(m_copy, &QPushButton::clicked, this, &LogWindow::copy);
    connect(m_save, &QPushButton::clicked, this, &LogWindow::askWhereToSave);
    connect(m_shown, &QAbstractItemModel::rowsInserted, this, &LogWindow::followNewRows);
}

void LogWindow::showWaiting(int rows)
{
    // A pressed button alone is easy to miss: the footer says the log is held and how much.
    m_pause->setText(m_log.paused() ? tr("Resume") : tr("Pause"));
    m_bound->setText(
        m_log.paused()
            ? (rows == 1 ? tr("Paused: 1 row waits to be shown.")
                         : tr("Paused: %1 rows wait to be shown.").arg(QLocale().toString(rows)))
            : tr("Keeps the latest %1 rows; older ones are dropped.")
                  .arg(QLocale().toString(m_log.maxRows())));
}

void LogWindow::filterByAddress(int index)
{
    const int address = m_address->itemData(index).toInt();
    // The address column shows the number alone, so a whole-cell match selects one module.
    m_shown->setFilterRegularExpression(address < 0 ? QString()
                                                    : QStringLiteral("^%1$").arg(address));
}

void LogWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_table->scrollToBottom();
}

void LogWindow::followNewRows()
{
    // Only a reader at the end is carried along; one who scrolled back stays where he is.
    QScrollBar* bar = m_table->verticalScrollBar();
    if (bar->value() >= bar->maximum() - 1)
        m_table->scrollToBottom();
}

QList<LogRow> LogWindow::shownRows() const
{
    QList<LogRow> rows;
    rows.reserve(m_shown->rowCount());
    for (int i = 0; i < m_shown->rowCount(); ++i)
        rows.append(m_log.at(m_shown->mapToSource(m_shown->index(i, 0)).row()));
    return rows;
}

void LogWindow::copy()
{
    // The rows selected, or every row shown when none is.
    const QModelIndexList selected = m_table->selectionModel()->selectedRows();
    QList<LogRow> rows;
    if (selected.isEmpty()) {
        rows = shownRows();
    } else {
        QList<int> numbers;
        for (const QModelIndex& index : selected)
            numbers.append(m_shown->mapToSource(index).row());
        std::sort(numbers.begin(), numbers.end());
        for (int number : std::as_const(numbers))
            rows.append(m_log.at(number));
    }
    QGuiApplication::clipboard()->setText(logText(rows));
}

bool LogWindow::saveTo(const QString& path)
{
    const QList<LogRow> rows = shownRows();
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    const WholeWrite written = writeWholeFile(path, (csv ? logCsv(rows) : logText(rows)).toUtf8());
    if (!written) {
        m_status->setText(tr("Could not save to %1: %2").arg(path, written.detail));
        return false;
    }
    // A FIFO or a terminal took the rows; no file holds them.
    if (written.outcome == WholeWrite::Outcome::WrittenInto)
        m_status->setText(
            tr("Wrote %1 rows into %2 (%3)").arg(rows.size()).arg(path, written.detail));
    else
        m_status->setText(tr("Saved %1 rows to %2").arg(rows.size()).arg(path));
    return true;
}

void LogWindow::askWhereToSave()
{
    // Opened without waiting for it: the log keeps running while the user picks a file.
    if (!m_saveDialog) {
        m_saveDialog = new QFileDialog(this, tr("Save Traffic Log"));
        m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
        m_saveDialog->setNameFilters({tr("Text (*.txt)"), tr("Comma-separated values (*.csv)")});
        m_saveDialog->setDefaultSuffix(QStringLiteral("txt"));
        connect(m_saveDialog, &QFileDialog::filterSelected, m_saveDialog,
                [dialog = m_saveDialog](const QString& filter) {
                    dialog->setDefaultSuffix(filter.contains(QStringLiteral("*.csv"))
                                                 ? QStringLiteral("csv")
                                                 : QStringLiteral("txt"));
                });
        connect(m_saveDialog, &QFileDialog::fileSelected, this, &LogWindow::saveTo);
    }
    m_saveDialog->open();
}

} // namespace velnor
