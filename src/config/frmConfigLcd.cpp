#include "config/frmConfigLcd.h"

#include "config/CharacterEditor.h"
#include "link/MessageSink.h"
#include "link/Panel.h"
#include "link/SerialPort.h"
#include "protocol/Frames.h"
#include "protocol/SafeText.h"
#include "protocol/UploadPlan.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"
#include "shared/Variables.h"
#include "shared/Wire.h"
#include "widgets/ClassicLook.h"
#include "widgets/ClickGate.h"
#include "widgets/WrapButton.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <initializer_list>

namespace velnor {

namespace {

constexpr int kClientWidth = 680;
constexpr int kClientHeight = 435;
// Under the given controls: two lines about the upload and the save.
constexpr int kNotesHeight = 46;
constexpr int kNoteHeight = 19;
constexpr int kBitmapColumns = 8;

QGroupBox* group(QWidget* parent, const char* name, const QString& caption, const QRect& at)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setGeometry(at);
    return frame;
}

QLabel* label(QWidget* parent, const QString& text, const QRect& at)
{
    auto* caption = new QLabel(text, parent);
    caption->setGeometry(at);
    return caption;
}

// A sunken line of text under the given controls, row 0 or 1.
QLabel* note(QWidget* parent, const char* name, int row)
{
    auto* line =
        label(parent, {}, {24, kClientHeight - 2 + row * (kNoteHeight + 3), 649, kNoteHeight});
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::Panel);
    line->setFrameShadow(QFrame::Sunken);
    line->setIndent(4);
    return line;
}

QLineEdit* box(QWidget* parent, const QString& name, int maxLength, const QRect& at)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setGeometry(at);
    return edit;
}

} // namespace

frmConfigLcd::frmConfigLcd(Panel& panel, const IniFile& settings, int commIndex, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_vars(panel.vars()), m_port(panel.configPort()),
      m_messages(panel.messages()), m_settings(settings), m_link(panel.configLink()),
      m_gate(new ClickGate(panel.gate(), this))
{
    setObjectName(QStringLiteral("frmConfigLcd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Configure Velnor"));
    buildLayout();
    setUpLook();
    connectSignals();
    Form_Load(commIndex);
}

frmConfigLcd::~frmConfigLcd()
{
    // Also when it goes unclosed, with the main window at exit: its boxes are not to be touched.
    m_link.disconnect(this);
    m_link.stop();
    m_port.setPortOpen(false);
}

void frmConfigLcd::buildLayout()
{
    // The boxes are control arrays laid out by their index, so they are made here in loops
    // rather than drawn one by one.
    QGroupBox* address =
        group(this, "Frame1", QStringLiteral("Set Device Address (UID)"), {24, 8, 153, 57});
    m_cboUID = new QComboBox(address);
    m_cboUID->setObjectName(QStringLiteral("cboUID"));
    m_cboUID->setEditable(true);
    // Typed text must never become an entry of its own.
    m_cboUID->setInsertPolicy(QComboBox::NoInsert);
    m_cboUID->setGeometry(48, 24, 49, 21);
    m_cboUID->setAccessibleName(address->title());

    QGroupBox* speed = group(this, "Frame2", QStringLiteral("Set Baud Rate"), {192, 8, 129, 57});
    m_opt9600 = new QRadioButton(QStringLiteral("9600"), speed);
    m_opt9600->setObjectName(QStringLiteral("opt9600"));
    m_opt9600->setGeometry(16, 24, 49, 17);
    m_opt4800 = new QRadioButton(QStringLiteral("4800"), speed);
    m_opt4800->setObjectName(QStringLiteral("opt4800"));
    m_opt4800->setGeometry(64, 24, 49, 17);

    QGroupBox* texts =
        group(this, "Frame5", QStringLiteral("Predefined Text"), {336, 8, 337, 153});
    for (int k = 0; k < ModuleSetup::kTexts; ++k) {
        const int left = k < 5 ? 16 : 176;
        const int top = 24 + 24 * (k % 5);
        QLabel* number = label(texts, QString::number(k + 1), {left, top, 16, 17});
        QLineEdit* edit = box(texts, QStringLiteral("txtPreDefine_%1").arg(k),
                              ModuleSetup::kTextLength, {left + 16, top, 129, 19});
        number->setBuddy(edit);
        edit->setAccessibleName(QStringLiteral("Predefined text %1").arg(k + 1));
        m_txtPreDefine[size_t(k)] = edit;
    }

    QGroupBox* startup =
        group(this, "Frame3", QStringLiteral("Startup Screen"), {24, 72, 193, 81});
    m_txtSU1 = box(startup, QStringLiteral("txtSU1"), ModuleSetup::kTextLength, {32, 24, 137, 19});
    m_txtSU2 = box(startup, QStringLiteral("txtSU2"), ModuleSetup::kTextLength, {32, 48, 137, 19});
    m_txtSU1->setAccessibleName(QStringLiteral("Startup screen line 1"));
    m_txtSU2->setAccessibleName(QStringLiteral("Startup screen line 2"));

    QGroupBox* bitmaps =
        group(this, "Frame4", QStringLiteral("Custom Characters Bitmap"), {24, 168, 393, 257});
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i) {
        const int c = i / kBitmapColumns;
        const int b = i % kBitmapColumns;
        QLineEdit* edit = box(bitmaps, QStringLiteral("txtCustom_%1").arg(i),
                              ModuleSetup::kBitmapLength, {64 + 40 * b, 24 + 24 * c, 33, 19});
        edit->setAlignment(Qt::AlignCenter);
        edit->setAccessibleName(QStringLiteral("CHAR %1 byte %2").arg(c + 1).arg(b + 1));
        m_txtCustom[size_t(i)] = edit;
    }
    for (int c = 0; c < kBitmapColumns; ++c)
        label(bitmaps, QStringLiteral("CHAR %1").arg(c + 1), {8, 24 + 24 * c, 49, 17});
    label(bitmaps, QStringLiteral("Byte 1"), {64, 216, 33, 17});
    label(bitmaps, QStringLiteral("Byte 8"), {344, 216, 33, 17});
    label(bitmaps, QStringLiteral("Enter Value Between 0 to 255"), {136, 232, 153, 17});

    m_editor = new CharacterEditor(m_txtCustom, this);
    m_editor->setGeometry(424, 168, 73, 257);

    m_cmdConLcd = new WrapButton(QStringLiteral("Send Configuration Data"), this);
    m_cmdConLcd->setObjectName(QStringLiteral("cmdConLcd"));
    m_cmdConLcd->setGeometry(504, 200, 105, 81);
    m_cmdSaveFlash = new WrapButton(QStringLiteral("Save Setting to Non-Volatile Memory"), this);
    m_cmdSaveFlash->setObjectName(QStringLiteral("cmdSaveFlash"));
    m_cmdSaveFlash->setGeometry(504, 304, 105, 49);

    m_lblTarget = note(this, "lblTarget", 0);
    m_lblProgress = note(this, "lblProgress", 1);
}

void frmConfigLcd::setUpLook()
{
    useWindowLook(this);
    for (QLineEdit* line : m_txtPreDefine)
        lookLikeTheDisplay(line);
    lookLikeTheDisplay(m_txtSU1);
    lookLikeTheDisplay(m_txtSU2);
    setFixedSize(kClientWidth, kClientHeight + kNotesHeight);
}

void frmConfigLcd::connectSignals()
{
    m_gate->button(m_cmdConLcd, [this] { cmdConLcd_Click(); });
    m_gate->button(m_cmdSaveFlash, [this] { cmdSaveFlash_Click(); });
    // Text typed that equals an entry selects that entry.
    connect(m_cboUID, &QComboBox::editTextChanged, this, [this](const QString& text) {
        const int entry = m_cboUID->findText(text, Qt::MatchExactly);
        if (entry >= 0 && entry != m_cboUID->currentIndex())
            m_cboUID->setCurrentIndex(entry);
    });
    connect(m_cboUID, &QComboBox::editTextChanged, this, &frmConfigLcd::showTarget);
    connect(m_opt9600, &QRadioButton::toggled, this, &frmConfigLcd::showTarget);
    connect(&m_link, &ConfigLink::filled, this, &frmConfigLcd::fill);
    connect(&m_link, &ConfigLink::stepSent, this, [this](int sent, int total) {
        m_stepsSent = sent;
        showProgress(QStringLiteral("Sending: step %1 of %2.").arg(sent).arg(total));
    });
    connect(&m_link, &ConfigLink::finished, this, &frmConfigLcd::uploadEnded);
}

void frmConfigLcd::Form_Load(int commIndex)
{
    m_vars.PortNumber = QString::number(commIndex + 1);
    m_port.setSettings(m_vars.PortSettings);
    m_port.setCommPort(commIndex + 1);
    // Every module on the line, selected through the broadcast address; a port that cannot be
    // used is reported by each of the two sends, and the window opens all the same.
    m_link.sendFrame(frames::enterConfiguration());
    m_link.sendText(safeText(frames::kConfigModeText));

    for (int address = wire::FirstAddress; address <= wire::LastAddress; ++address)
        m_cboUID->addItem(QString::number(address));
    showSetup(loadModuleSetup(m_settings));
    showTarget();
}

void frmConfigLcd::showSetup(const ModuleSetup& setup)
{
    const int entry = m_cboUID->findText(setup.uid, Qt::MatchExactly);
    m_cboUID->setCurrentIndex(entry);
    m_cboUID->setEditText(setup.uid);
    (setup.at9600 ? m_opt9600 : m_opt4800)->setChecked(true);
    m_txtSU1->setText(setup.line1);
    m_txtSU2->setText(setup.line2);
    for (int k = 0; k < ModuleSetup::kTexts; ++k)
        m_txtPreDefine[size_t(k)]->setText(setup.texts[size_t(k)]);
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
        m_txtCustom[size_t(i)]->setText(setup.bitmaps[size_t(i)]);
}

ModuleSetup frmConfigLcd::setup() const
{
    ModuleSetup current;
    current.uid = m_cboUID->currentText();
    current.at9600 = m_opt9600->isChecked();
    current.line1 = m_txtSU1->text();
    current.line2 = m_txtSU2->text();
    for (int k = 0; k < ModuleSetup::kTexts; ++k)
        current.texts[size_t(k)] = m_txtPreDefine[size_t(k)]->text();
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
        current.bitmaps[size_t(i)] = m_txtCustom[size_t(i)]->text();
    return current;
}

void frmConfigLcd::cmdConLcd_Click()
{
    const ModuleSetup current = setup();
    const auto plan = planUpload(current);
    if (const auto* refusal = std::get_if<UploadRefusal>(&plan)) {
        refuse(*refusal, current);
        return;
    }
    m_stepsSent = 0;
    m_steps = int(std::get<QList<UploadStep>>(plan).size());
    // The texts were read at the click; typing into them while the upload runs would be
    // neither sent nor kept once the upload fills the boxes out. A plan that ends at its first
    // step (a port that cannot be used) has finished before start() returns.
    setEditable(false);
    if (!m_link.start(std::get<QList<UploadStep>>(plan)) || !m_link.isRunning())
        setEditable(true);
}

void frmConfigLcd::cmdSaveFlash_Click()
{
    // What is saved is what the upload would send: the address the main window selects at its
    // next start must be one a module can have, and a bitmap is kept as the byte it stands for.
    const auto toSave = setupToSave(setup());
    if (const auto* refusal = std::get_if<UploadRefusal>(&toSave)) {
        refuse(*refusal, setup());
        return;
    }
    const ModuleSetup& current = std::get<ModuleSetup>(toSave);
    const bool stored = m_link.sendFrame(frames::saveToNonVolatileMemory());
    const QStringList failures = saveModuleSetup(current, m_settings);
    const QString file = QDir::toNativeSeparators(m_settings.path());
    showProgress((stored ? QStringLiteral("Store command sent to every module; ")
                         : QStringLiteral("Store command not sent (port not available); ")) +
                 (failures.isEmpty() ? QStringLiteral("settings written to %1.")
                                     : QStringLiteral("settings NOT written to %1."))
                     .arg(file));
    if (failures.isEmpty())
        return;
    QString detail = failures.first();
    if (failures.size() > 1)
        detail += QStringLiteral("\n%1 of %2 settings were not written.")
                      .arg(failures.size())
                      .arg(ModuleSetup::kKeys);
    m_messages.showMessage(kSettingsNotSaved, detail);
}

void frmConfigLcd::keyPressEvent(QKeyEvent* event)
{
    // As a dialog would: Escape closes the window, an upload ending where it stands.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmConfigLcd::closeEvent(QCloseEvent* event)
{
    // An upload ends where it stands; the port hands on what it was given before it closes.
    m_link.stop();
    m_port.setPortOpen(false);
    event->accept();
}

void frmConfigLcd::fill(int field, const QString& text)
{
    if (field == UploadStep::Line1)
        m_txtSU1->setText(text);
    else if (field == UploadStep::Line2)
        m_txtSU2->setText(text);
    else if (field >= UploadStep::FirstText && field < UploadStep::FirstText + ModuleSetup::kTexts)
        m_txtPreDefine[size_t(field - UploadStep::FirstText)]->setText(text);
}

void frmConfigLcd::setEditable(bool editable)
{
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->setReadOnly(!editable);
    // The list and the options would otherwise still change by mouse, wheel or keys: what the
    // upload sends was read at the click, and a save must not keep anything else.
    for (QWidget* choice : std::initializer_list<QWidget*>{m_cboUID, m_opt9600, m_opt4800})
        choice->setEnabled(editable);
    m_editor->setEnabled(editable);
}

void frmConfigLcd::refuse(UploadRefusal refusal, const ModuleSetup& refused)
{
    // The fixed text says what is wrong; the detail says where, and the focus goes there.
    QWidget* culprit = m_cboUID;
    QString detail;
    if (const std::optional<int> box = refusedBitmap(refused);
        refusal == UploadRefusal::BadBitmap && box) {
        culprit = m_txtCustom[size_t(*box)];
        const QString& text = refused.bitmaps[size_t(*box)];
        detail = text.isEmpty() ? QStringLiteral("%1 is empty.").arg(bitmapPlace(*box))
                                : QStringLiteral("%1 holds \"%2\".").arg(bitmapPlace(*box), text);
    }
    m_messages.showMessage(refusalText(refusal), detail);
    culprit->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(culprit))
        edit->selectAll();
}

void frmConfigLcd::showTarget()
{
    // Every module on the line hears the upload, as the window selected them all at load.
    const ModuleSetup current = setup();
    const QString speed = current.at9600 ? QStringLiteral("9600") : QStringLiteral("4800");
    m_lblTarget->setText(
        current.address()
            ? QStringLiteral("The upload goes to every module on the line: all of them will "
                             "take address %1 and %2 bit/s.")
                  .arg(*current.address())
                  .arg(speed)
            : QStringLiteral("The upload goes to every module on the line: choose the address "
                             "they will all take, %1 to %2.")
                  .arg(wire::FirstAddress)
                  .arg(wire::LastAddress));
}

void frmConfigLcd::showProgress(const QString& text)
{
    // A long path is cut in the middle rather than clipped; the whole text is the tip.
    const int room = m_lblProgress->contentsRect().width() - 2 * m_lblProgress->indent();
    m_lblProgress->setText(m_lblProgress->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
    m_lblProgress->setToolTip(text);
}

void frmConfigLcd::uploadEnded(bool completed)
{
    setEditable(true);
    showProgress(
        completed
            ? QStringLiteral("Upload complete: all %1 steps sent. Save keeps "
                             "it in the modules' memory.")
                  .arg(m_steps)
            : QStringLiteral("Upload stopped after step %1 of %2.").arg(m_stepsSent).arg(m_steps));
}

} // namespace velnor
