#include "config/ConfigWindow.h"

#include "config/SetupPreview.h"
#include "link/Panel.h"
#include "shared/Wire.h"
#include "widgets/ClickGate.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velnor {

ConfigWindow::ConfigWindow(Panel& panel, const IniFile& settings, int commIndex, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_boxes(*this), m_commands(panel, settings),
      m_files(m_boxes, *this, settings, panel.messages()),
      m_gate(new ClickGate(panel.gate(), this))
{
    setObjectName(QStringLiteral("configWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Configure Velnor"));
    connectSignals();
    const ModuleSetup loaded = m_commands.load(commIndex);
    for (int address = wire::FirstAddress; address <= wire::LastAddress; ++address)
        m_boxes.uidList->addItem(QString::number(address));
    m_boxes.show(loaded);
    SetupPreview::besideBoxes(*this, m_boxes);
    m_files.startFrom(loaded);
    showTarget();
}

ConfigWindow::~ConfigWindow()
{
    // Also when it goes unclosed, with the main window at exit: its boxes are not to be touched.
    m_commands.disconnect(this);
    m_commands.release();
}

void ConfigWindow::connectSignals()
{
    m_gate->button(m_boxes.uploadButton, [this] { upload(); });
    m_gate->button(m_boxes.saveButton, [this] { save(); });
    QComboBox* uid = m_boxes.uidList;
    // Text typed that equals an entry selects that entry.
    connect(uid, &QComboBox::editTextChanged, this, [uid](const QString& text) {
        const int entry = uid->findText(text, Qt::MatchExactly);
        if (entry >= 0 && entry != uid->currentIndex())
            uid->setCurrentIndex(entry);
    });
    connect(uid, &QComboBox::editTextChanged, this, &ConfigWindow::showTarget);
    connect(m_boxes.speed9600, &QRadioButton::toggled, this, &ConfigWindow::showTarget);
    connect(&m_commands, &ConfigCommands::filled, this,
            [this](int field, const QString& text) { m_boxes.fill(field, text); });
    connect(&m_commands, &ConfigCommands::holdBoxes, this, [this](bool held) {
        m_boxes.setEditable(!held);
        m_files.setHeld(held);
    });
    connect(&m_commands, &ConfigCommands::noteChanged, this,
            [this](const QString& text) { m_boxes.showProgress(text); });
}

void ConfigWindow::upload()
{
    mend(m_commands.upload(setup()));
}

void ConfigWindow::save()
{
    mend(m_commands.save(setup()));
}

void ConfigWindow::keyPressEvent(QKeyEvent* event)
{
    // As a dialog would: Escape closes the window, an upload ending where it stands.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ConfigWindow::closeEvent(QCloseEvent* event)
{
    m_commands.release();
    event->accept();
}

void ConfigWindow::mend(const std::optional<SetupRefusal>& refusal)
{
    // The message said what is wrong and where; the focus goes there.
    if (!refusal)
        return;
    QWidget* culprit = m_boxes.boxToMend(refusal->bitmap);
    culprit->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(culprit))
        edit->selectAll();
}

void ConfigWindow::showTarget()
{
    m_boxes.targetNote->setText(ConfigCommands::targetNote(setup()));
}

} // namespace velnor
