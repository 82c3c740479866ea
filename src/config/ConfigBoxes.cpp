#include "config/ConfigBoxes.h"

#include "config/CharacterEditor.h"
#include "protocol/BitmapValue.h"
#include "protocol/UploadPlan.h"
#include "shared/Wire.h"
#include "widgets/ClassicLook.h"
#include "widgets/WindowHabits.h"
#include "widgets/WrapButton.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <initializer_list>

namespace velnor {

namespace {

constexpr int kClientWidth = 680;
constexpr int kClientHeight = 435;
// Under the given controls: what an upload replaces (two lines of text) and how the last upload
// or save went (one line).
constexpr int kNoteHeight = 19;
constexpr int kTargetHeight = 2 * kNoteHeight - 2;
constexpr int kNotesHeight = kTargetHeight + 3 + kNoteHeight + 5;

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

// A sunken box of text under the given controls, top pixels below them.
QLabel* note(QWidget* parent, const char* name, int top, int height)
{
    auto* line = label(parent, {}, {24, kClientHeight - 2 + top, 649, height});
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

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QRect& at)
{
    auto* push = new WrapButton(caption, parent);
    push->setObjectName(QLatin1String(name));
    push->setGeometry(at);
    return push;
}

} // namespace

ConfigBoxes::ConfigBoxes(QWidget& window) : m_window(window)
{
    QGroupBox* address = group(&window, "addressGroup", QStringLiteral("Set Device Address (UID)"),
                               {24, 8, 153, 57});
    uidList = new QComboBox(address);
    uidList->setObjectName(QStringLiteral("uidList"));
    uidList->setEditable(true);
    // Typed text must never become an entry of its own.
    uidList->setInsertPolicy(QComboBox::NoInsert);
    uidList->setGeometry(48, 24, 49, 21);
    uidList->setAccessibleName(address->title());

    QGroupBox* speed =
        group(&window, "speedGroup", QStringLiteral("Set Baud Rate"), {192, 8, 129, 57});
    speed9600 = new QRadioButton(QString::number(wire::FastSpeed), speed);
    speed9600->setObjectName(QStringLiteral("speed9600"));
    speed9600->setGeometry(16, 24, 49, 17);
    speed4800 = new QRadioButton(QString::number(wire::SlowSpeed), speed);
    speed4800->setObjectName(QStringLiteral("speed4800"));
    speed4800->setGeometry(64, 24, 49, 17);

    QGroupBox* texts =
        group(&window, "storedTextGroup", QStringLiteral("Predefined Text"), {336, 8, 337, 153});
    for (int k = 0; k < ModuleSetup::kTexts; ++k) {
        const int left = k < 5 ? 16 : 176;
        const int top = 24 + 24 * (k % 5);
        QLabel* number = label(texts, QString::number(k + 1), {left, top, 16, 17});
        QLineEdit* edit = box(texts, QStringLiteral("storedText_%1").arg(k),
                              ModuleSetup::kTextLength, {left + 16, top, 129, 19});
        number->setBuddy(edit);
        edit->setAccessibleName(QStringLiteral("Predefined text %1").arg(k + 1));
        storedTexts[size_t(k)] = edit;
    }

    QGroupBox* startup =
        group(&window, "startupGroup", QStringLiteral("Startup Screen"), {24, 72, 193, 81});
    startupLine1 =
        box(startup, QStringLiteral("startupLine1"), ModuleSetup::kTextLength, {32, 24, 137, 19});
    startupLine2 =
        box(startup, QStringLiteral("startupLine2"), ModuleSetup::kTextLength, {32, 48, 137, 19});
    startupLine1->setAccessibleName(QStringLiteral("Startup screen line 1"));
    startupLine2->setAccessibleName(QStringLiteral("Startup screen line 2"));

    QGroupBox* bitmaps = group(&window, "bitmapGroup", QStringLiteral("Custom Characters Bitmap"),
                               {24, 168, 393, 257});
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i) {
        // A row of boxes for each character, a box for each of its dot rows.
        const int c = i / limits::CharacterDotRows;
        const int b = i % limits::CharacterDotRows;
        QLineEdit* edit = box(bitmaps, QStringLiteral("bitmapByte_%1").arg(i),
                              ModuleSetup::kBitmapLength, {64 + 40 * b, 24 + 24 * c, 33, 19});
        edit->setAlignment(Qt::AlignCenter);
        edit->setAccessibleName(QStringLiteral("CHAR %1 byte %2").arg(c + 1).arg(b + 1));
        bitmapBytes[size_t(i)] = edit;
    }
    for (int c = 0; c < limits::CustomCharacters; ++c)
        label(bitmaps, QStringLiteral("CHAR %1").arg(c + 1), {8, 24 + 24 * c, 49, 17});
    label(bitmaps, QStringLiteral("Byte 1"), {64, 216, 33, 17});
    label(bitmaps, QStringLiteral("Byte 8"), {344, 216, 33, 17});
    label(bitmaps, QStringLiteral("Enter Value Between 0 to 255"), {136, 232, 153, 17});

    editor = new CharacterEditor(bitmapBytes, &window);
    editor->setGeometry(424, 168, 73, 257);
    uploadButton = button(&window, "uploadButton", QStringLiteral("Send Configuration Data"),
                          {504, 200, 105, 81});
    saveButton =
        button(&window, "saveButton", QStringLiteral("Save Setting to Non-Volatile Memory"),
               {504, 304, 105, 49});
    targetNote = note(&window, "targetNote", 0, kTargetHeight);
    progressNote = note(&window, "progressNote", kTargetHeight + 3, kNoteHeight);

    useWindowLook(&window);
    for (QLineEdit* line : storedTexts)
        lookLikeTheDisplay(line);
    lookLikeTheDisplay(startupLine1);
    lookLikeTheDisplay(startupLine2);
    // An upload leaves these full of blanks, at their length limit.
    for (QLineEdit* line : storedTexts)
        selectBlanksOnFocus(line);
    selectBlanksOnFocus(startupLine1);
    selectBlanksOnFocus(startupLine2);
    window.setFixedSize(kClientWidth, kClientHeight + kNotesHeight);
}

ModuleSetup ConfigBoxes::setup() const
{
    ModuleSetup current;
    current.uid = uidList->currentText();
    current.at9600 = speed9600->isChecked();
    current.line1 = startupLine1->text();
    current.line2 = startupLine2->text();
    for (int k = 0; k < ModuleSetup::kTexts; ++k)
        current.texts[size_t(k)] = storedTexts[size_t(k)]->text();
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
        current.bitmaps[size_t(i)] = bitmapBytes[size_t(i)]->text();
    return current;
}

void ConfigBoxes::show(const ModuleSetup& setup)
{
    uidList->setCurrentIndex(uidList->findText(setup.uid, Qt::MatchExactly));
    uidList->setEditText(setup.uid);
    (setup.at9600 ? speed9600 : speed4800)->setChecked(true);
    startupLine1->setText(setup.line1);
    startupLine2->setText(setup.line2);
    for (int k = 0; k < ModuleSetup::kTexts; ++k)
        storedTexts[size_t(k)]->setText(setup.texts[size_t(k)]);
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
        showBitmap(bitmapBytes[size_t(i)], setup.bitmaps[size_t(i)]);
}

// A settings file may spell a byte in more characters than a box holds ("0255", "2.55E2"). Cut
// to the box, it would become another byte, or a refused value a usable one; so the box shows the
// byte the upload sends, and a value the upload refuses whole, so that the refusal names its box.
void ConfigBoxes::showBitmap(QLineEdit* box, const QString& value)
{
    box->setMaxLength(ModuleSetup::kBitmapLength);
    if (value.size() <= ModuleSetup::kBitmapLength) {
        box->setText(value);
    } else if (const auto byte = bitmapByte(value)) {
        box->setText(QString::number(*byte));
    } else {
        box->setMaxLength(int(value.size()));
        box->setText(value);
    }
}

void ConfigBoxes::fill(int field, const QString& text)
{
    if (field == UploadStep::Line1)
        startupLine1->setText(text);
    else if (field == UploadStep::Line2)
        startupLine2->setText(text);
    else if (field >= UploadStep::FirstText && field < UploadStep::FirstText + ModuleSetup::kTexts)
        storedTexts[size_t(field - UploadStep::FirstText)]->setText(text);
}

void ConfigBoxes::setEditable(bool editable)
{
    for (QLineEdit* edit : m_window.findChildren<QLineEdit*>())
        edit->setReadOnly(!editable);
    // The list and the options would otherwise still change by mouse, wheel or keys: what the
    // upload sends was read at the click, and a save must not keep anything else.
    for (QWidget* choice : std::initializer_list<QWidget*>{uidList, speed9600, speed4800})
        choice->setEnabled(editable);
    editor->setEnabled(editable);
}

QWidget* ConfigBoxes::boxToMend(std::optional<int> bitmap) const
{
    return bitmap ? static_cast<QWidget*>(bitmapBytes[size_t(*bitmap)]) : uidList;
}

void ConfigBoxes::showProgress(const QString& text)
{
    const int room = progressNote->contentsRect().width() - 2 * progressNote->indent();
    progressNote->setText(progressNote->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
    progressNote->setToolTip(text);
}

} // namespace velnor
