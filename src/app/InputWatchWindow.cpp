#include "app/InputWatchWindow.h"

#include "shared/Formats.h"
#include "system/WholeFile.h"
#include "widgets/WindowHabits.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velnor {

namespace {

enum Column { Time, Input, State };

// The longest interval offered between two reads: an hour.
constexpr int kLongestIntervalMs = 3600 * 1000;

QString digits(const InputStates& states)
{
    QString text;
    for (bool state : states)
        text += state ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

} // namespace

InputWatchWindow::InputWatchWindow(Panel& panel, QWidget* parent)
    : QWidget(parent, Qt::Window), m_watch(panel)
{
    setObjectName(QStringLiteral("watchWindow"));
    closeOnEscape(this);
    setWindowTitle(QStringLiteral("Input Changes"));

    connect(&m_watch, &InputWatch::answered, this, &InputWatchWindow::answered);
    connect(&m_watch, &InputWatch::unanswered, this,
            [this] { emit statusChanged(QStringLiteral("No Response")); });
    connect(&m_watch, &InputWatch::stopped, this, [this] {
        if (m_status)
            m_status->setText(QStringLiteral("Stopped"));
        emit watchingChanged(false);
    });
}

void InputWatchWindow::setVisible(bool visible)
{
    if (visible)
        build();
    QWidget::setVisible(visible);
}

void InputWatchWindow::build()
{
    // The window's controls wait until it is first needed: a start of the panel, which only
    // shows the box, would otherwise carry a list, a spin box and their styles.
    if (m_log)
        return;
    // Any interval in milliseconds; 0 reads again as soon as each answer is in.
    m_interval = new QSpinBox(this);
    m_interval->setObjectName(QStringLiteral("watchIntervalBox"));
    m_interval->setRange(0, kLongestIntervalMs);
    m_interval->setSingleStep(100);
    m_interval->setSuffix(QStringLiteral(" ms"));
    m_interval->setSpecialValueText(QStringLiteral("0 ms: as soon as each answer is in"));
    m_interval->setAccelerated(true);
    // A watch under way starts again with the new interval once it is typed in full.
    m_interval->setKeyboardTracking(false);
    m_log = new QTreeWidget(this);
    m_log->setObjectName(QStringLiteral("lstChanges"));
    m_log->setRootIsDecorated(false);
    m_log->setUniformRowHeights(true);
    m_log->setHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Input"), QStringLiteral("State")});
    m_log->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The squares of the main window show the states in colour only: the legend names them.
    auto* legend = new QLabel(QStringLiteral("State: 1 = open (square white), 0 = closed "
                                             "(square red)"),
                              this);
    legend->setObjectName(QStringLiteral("stateLegend"));
    m_log->setToolTip(legend->text());
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("watchStateLabel"));
    auto* copy = new QPushButton(QStringLiteral("Copy"), this);
    copy->setObjectName(QStringLiteral("copyChangesButton"));
    auto* save = new QPushButton(QStringLiteral("Save..."), this);
    save->setObjectName(QStringLiteral("saveChangesButton"));
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("clearChangesButton"));

    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Read every"), this);
    label->setBuddy(m_interval);
    top->addWidget(label);
    top->addWidget(m_interval, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(clear);
    buttons->addWidget(copy);
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(legend);
    layout->addWidget(m_log);
    layout->addLayout(buttons);
    resize(380, 320);

    connect(m_interval, &QSpinBox::valueChanged, this, [this] {
        if (m_watch.isRunning()) {
            m_watch.stop();
            start(m_address);
        }
    });
    connect(clear, &QPushButton::clicked, m_log, &QTreeWidget::clear);
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(logText()); });
    connect(save, &QPushButton::clicked, this, &InputWatchWindow::askWhereToSave);
}

InputWatchWindow::~InputWatchWindow()
{
    // The main window's controls may be gone already: a watch that ends now tells nobody.
    disconnect(&m_watch, nullptr, this, nullptr);
    m_watch.stop();
}

void InputWatchWindow::stop()
{
    m_watch.stop();
}

void InputWatchWindow::start(quint8 address)
{
    build();
    m_address = address;
    m_watch.start(address, intervalMs());
    m_status->setText(QStringLiteral("Watching"));
    emit watchingChanged(true);
    show();
    raise();
}

int InputWatchWindow::intervalMs() const
{
    return m_interval ? m_interval->value() : 0;
}

void InputWatchWindow::answered(const InputStates& states, const QList<int>& changed, bool first)
{
    emit inputsRead(states);
    const QDateTime now = QDateTime::currentDateTime();
    if (first) {
        addRow(now, QStringLiteral("1-8"), digits(states));
        return;
    }
    for (const int i : changed)
        addRow(now, QString::number(i + 1),
               states.at(size_t(i)) ? QStringLiteral("1") : QStringLiteral("0"));
}

void InputWatchWindow::addRow(const QDateTime& at, const QString& input, const QString& state)
{
    auto* item = new QTreeWidgetItem(m_log);
    item->setText(Time, formats::logTime(at.toMSecsSinceEpoch()));
    item->setText(Input, input);
    item->setText(State, state);
    m_log->scrollToItem(item);
}

QString InputWatchWindow::logText() const
{
    QString text;
    if (!m_log)
        return text;
    for (int row = 0; row < m_log->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_log->topLevelItem(row);
        text += item->text(Time) + QLatin1Char('\t') + item->text(Input) + QLatin1Char('\t') +
                item->text(State) + QLatin1Char('\n');
    }
    return text;
}

bool InputWatchWindow::saveTo(const QString& path)
{
    build();
    const WholeWrite written = writeWholeFile(path, logText().toUtf8());
    if (!written) {
        m_status->setText(QStringLiteral("Could not save to %1: %2").arg(path, written.detail));
        return false;
    }
    if (written.outcome == WholeWrite::Outcome::WrittenInto)
        m_status->setText(QStringLiteral("Wrote into %1 (%2)").arg(path, written.detail));
    else
        m_status->setText(QStringLiteral("Saved to %1").arg(path));
    return true;
}

void InputWatchWindow::askWhereToSave()
{
    // Opened without waiting for it: the watch goes on while the user picks a file.
    if (!m_saveDialog) {
        m_saveDialog = new QFileDialog(this, QStringLiteral("Save Input Changes"));
        m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
        m_saveDialog->setNameFilter(QStringLiteral("Text (*.txt)"));
        m_saveDialog->setDefaultSuffix(QStringLiteral("txt"));
        connect(m_saveDialog, &QFileDialog::fileSelected, this, &InputWatchWindow::saveTo);
    }
    m_saveDialog->open();
}

} // namespace velnor
