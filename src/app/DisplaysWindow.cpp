#include "app/DisplaysWindow.h"

#include "lcd/LcdView.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace velnor {

namespace {

// Often enough that a display follows the frames as they go out; a flood of frames costs one
// repaint per changed display per period.
constexpr int PollMs = 100;

QString outputsText(quint8 on, quint8 known)
{
    QStringList states;
    for (int output = 0; output < 8; ++output) {
        const quint8 bit = quint8(1u << output);
        const QString state = !(known & bit) ? QStringLiteral("?")
                              : (on & bit)   ? QStringLiteral("on")
                                             : QStringLiteral("off");
        states.append(QStringLiteral("%1: %2").arg(output + 1).arg(state));
    }
    return QStringLiteral("Outputs\n") + states.mid(0, 4).join(QLatin1Char('\n')) +
           QLatin1Char('\n') + states.mid(4).join(QLatin1Char('\n'));
}

} // namespace

DisplaysWindow::DisplaysWindow(MirrorFeed& feed, QComboBox* addresses, QWidget* parent)
    : QWidget(parent, Qt::Window), m_feed(feed), m_addresses(addresses),
      m_empty(new QLabel(tr("No module addressed on this line yet."), this))
{
    setObjectName(QStringLiteral("displaysWindow"));
    setWindowTitle(tr("Displays"));
    auto* note = new QLabel(tr("What each module was sent from this panel since the line was "
                               "opened, as sent: a display cannot be read back. Grey is "
                               "not known. Click a display to choose its module."),
                            this);
    note->setWordWrap(true);
    auto* list = new QWidget;
    m_rows = new QVBoxLayout(list);
    m_rows->addWidget(m_empty);
    m_rows->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(scroll, 1);
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &DisplaysWindow::refresh);
    note->setMinimumWidth(LcdView().sizeHint().width() + 160);
    resize(note->minimumWidth() + 60, 560);
}

LcdView* DisplaysWindow::display(quint8 address) const
{
    return m_shown.contains(address) ? m_shown.value(address).view : nullptr;
}

void DisplaysWindow::refresh()
{
    m_feed.checkLine();
    const QList<quint8> listed = m_feed.mirror().listed();
    const QList<quint8> changed = m_feed.mirror().takeChanged();
    // Modules of a line that is gone leave with it.
    for (auto it = m_shown.begin(); it != m_shown.end();) {
        if (!listed.contains(it.key())) {
            delete it->box;
            it = m_shown.erase(it);
        } else {
            ++it;
        }
    }
    for (quint8 address : listed) {
        const bool isNew = !m_shown.contains(address);
        Row& row = rowFor(address);
        if (isNew || changed.contains(address))
            update(address, row);
    }
    m_empty->setVisible(listed.isEmpty());
}

DisplaysWindow::Row& DisplaysWindow::rowFor(quint8 address)
{
    auto found = m_shown.find(address);
    if (found != m_shown.end())
        return *found;
    auto* box = new QWidget;
    auto* title = new QLabel(box);
    auto* view = new LcdView(box);
    auto* outputs = new QLabel(box);
    view->setFocusPolicy(Qt::StrongFocus);
    view->setAccessibleName(tr("Module %1").arg(address));
    view->installEventFilter(this);
    view->setProperty("address", int(address));
    auto* beside = new QHBoxLayout;
    beside->addWidget(view);
    beside->addWidget(outputs);
    beside->addStretch(1);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(title);
    layout->addLayout(beside);
    // In address order: before the first shown module with a higher address.
    const auto next = m_shown.upperBound(address);
    const int position = int(std::distance(m_shown.begin(), next)) + 1;
    m_rows->insertWidget(position, box);
    return *m_shown.insert(address, Row{box, title, view, outputs});
}

void DisplaysWindow::update(quint8 address, Row& row)
{
    const LineMirror& mirror = m_feed.mirror();
    const Screen screen = mirror.screen(address);
    QString title = tr("<b>Module %1</b> &nbsp; as sent").arg(address);
    // A stored text this panel never uploaded is drawn grey; its number at least is known.
    for (int r = 0; r < Screen::Rows; ++r) {
        if (const int text = screen.unknownStoredText(r))
            title += tr(" &nbsp; row %1: text %2, not known").arg(r + 1).arg(text);
    }
    row.title->setText(title);
    row.view->setScreen(screen);
    row.view->setAccessibleDescription(screen.description());
    row.outputs->setText(outputsText(mirror.outputs(address), mirror.knownOutputs(address)));
}

void DisplaysWindow::showEvent(QShowEvent* event)
{
    refresh();
    m_poll.start();
    QWidget::showEvent(event);
}

void DisplaysWindow::hideEvent(QHideEvent* event)
{
    m_poll.stop();
    QWidget::hideEvent(event);
}

bool DisplaysWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Tabbing through the displays picks them as a click does; the window coming up does not.
    const bool chosen = event->type() == QEvent::MouseButtonPress ||
                        (event->type() == QEvent::FocusIn &&
                         (static_cast<QFocusEvent*>(event)->reason() == Qt::TabFocusReason ||
                          static_cast<QFocusEvent*>(event)->reason() == Qt::BacktabFocusReason));
    if (chosen) {
        const QString address = QString::number(watched->property("address").toInt());
        const int index = m_addresses->findText(address);
        if (index >= 0)
            m_addresses->setCurrentIndex(index);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velnor
