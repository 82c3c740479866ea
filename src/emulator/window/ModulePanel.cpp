#include "emulator/window/ModulePanel.h"

#include "emulator/Line.h"
#include "emulator/window/InputSwitch.h"
#include "lcd/LcdView.h"
#include "emulator/window/OutputLamps.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velnor {

namespace {

QLabel* badge(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) + 16);
    return label;
}

void setBadgeOn(QLabel* label, bool on, const char* colour)
{
    label->setStyleSheet(
        on ? QStringLiteral("QLabel { background: %1; color: white; border-radius: 4px; "
                            "padding: 1px 6px; }")
                 .arg(QLatin1StringView(colour))
           : QStringLiteral("QLabel { background: transparent; color: palette(mid); "
                            "border: 1px solid palette(mid); border-radius: 4px; "
                            "padding: 0px 5px; }"));
}

} // namespace

ModulePanel::ModulePanel(Line& line, int moduleIndex, QWidget* parent)
    : QFrame(parent), m_line(line), m_index(moduleIndex), m_title(new QLabel(this)),
      m_own(badge(tr("selected"), this)), m_broadcast(badge(tr("broadcast"), this)),
      m_conflict(new QLabel(this)), m_speed(new QLabel(this)), m_pending(new QLabel(this)),
      m_display(new LcdView(this)), m_outputs(new OutputLamps(this)),
      m_inputs(new QButtonGroup(this))
{
    setFrameShape(QFrame::StyledPanel);
    m_own->setToolTip(tr("Selected by its own address: acts on frames and answers"));
    m_broadcast->setToolTip(
        tr("Selected by the broadcast address: acts on frames, never answers"));
    m_conflict->setStyleSheet(QStringLiteral(
        "QLabel { background: #C62828; color: white; border-radius: 4px; padding: 1px 6px; }"));
    m_conflict->setToolTip(tr("Another module with the same address answered at the same "
                              "time; the panel received garbled bytes"));
    m_speed->setStyleSheet(QStringLiteral("QLabel { color: #C62828; font-style: italic; }"));
    m_speed->setToolTip(tr("The line runs at another speed than this module: it hears garbage, "
                           "and its answers reach the panel as garbage"));
    m_pending->setStyleSheet(QStringLiteral("QLabel { color: #8A6D00; font-style: italic; }"));

    auto* header = new QHBoxLayout;
    header->addWidget(m_title);
    header->addStretch();
    header->addWidget(m_own);
    header->addWidget(m_broadcast);

    m_inputs->setExclusive(false);
    auto* switches = new QHBoxLayout;
    switches->setSpacing(0);
    for (int i = 0; i < 8; ++i) {
        auto* input = new InputSwitch(i + 1, this);
        m_inputs->addButton(input, i);
        switches->addWidget(input);
    }
    switches->addStretch();

    auto* io = new QGridLayout;
    io->addWidget(new QLabel(tr("Outputs"), this), 0, 0);
    io->addWidget(m_outputs, 0, 1, Qt::AlignLeft);
    io->addWidget(new QLabel(tr("Inputs (right: closed)"), this), 1, 0);
    io->addLayout(switches, 1, 1);
    io->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(m_display, 0, Qt::AlignHCenter);
    // Under the display with the other warnings: in the header it would make the panel wider
    // than the window sized for it.
    layout->addWidget(m_conflict, 0, Qt::AlignLeft);
    layout->addWidget(m_speed);
    layout->addWidget(m_pending);
    layout->addLayout(io);

    connect(m_inputs, &QButtonGroup::idToggled, this, &ModulePanel::inputFlipped);
    refresh();
}

void ModulePanel::refresh()
{
    const Module& module = m_line.module(m_index);
    m_title->setText(tr("<b>Module %1</b> &nbsp; serial %2 &nbsp; %3 bit/s")
                         .arg(module.address())
                         .arg(QString::fromLatin1(module.serialText()))
                         .arg(module.baud()));
    setBadgeOn(m_own, module.ownSelected(), "#2E7D32");
    setBadgeOn(m_broadcast, module.broadcastSelected(), "#1565C0");
    m_speed->setVisible(module.baud() != m_line.speed());
    m_speed->setText(tr("Hears garbage: the line runs at %1 bit/s").arg(m_line.speed()));
    m_conflict->setVisible(module.conflicts() > 0);
    m_conflict->setText(tr("address conflict \u00d7%1").arg(module.conflicts()));

    const ModuleConfig& stored = module.stored();
    const bool pending = stored.address != module.address() || stored.baud != module.baud();
    m_pending->setVisible(pending);
    m_pending->setText(tr("Stored: address %1, %2 bit/s; in use after the next power-up")
                           .arg(stored.address)
                           .arg(stored.baud));

    m_outputs->setOutputs(module.outputs());
    const QSignalBlocker blocker(m_inputs);
    for (int i = 0; i < 8; ++i)
        m_inputs->button(i)->setChecked(((module.inputs() >> i) & 1u) == 0);
    m_display->setScreen(Screen::of(module));
}

void ModulePanel::inputFlipped()
{
    quint8 inputs = 0;
    for (int i = 0; i < 8; ++i) {
        if (!m_inputs->button(i)->isChecked())
            inputs = quint8(inputs | (1u << i));
    }
    m_line.setInputs(m_index, inputs);
}

} // namespace velnor
