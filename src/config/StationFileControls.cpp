#include "config/StationFileControls.h"

#include "config/ConfigBoxes.h"
#include "link/MessageSink.h"
#include "settings/StationFile.h"
#include "widgets/WrapButton.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>

namespace velnor {

namespace {

const QString kFilter = QStringLiteral("Station files (*.ini);;All files (*)");

void markBold(QWidget* box, bool changed)
{
    QFont font = box->font();
    if (font.bold() == changed)
        return;
    font.setBold(changed);
    box->setFont(font);
}

// Blanks an upload fills a text out with change nothing the module shows.
bool sameText(QStringView a, QStringView b)
{
    while (a.endsWith(u' '))
        a.chop(1);
    while (b.endsWith(u' '))
        b.chop(1);
    return a == b;
}

} // namespace

StationFileControls::StationFileControls(ConfigBoxes& boxes, QWidget& window,
                                         const IniFile& settings, MessageSink& messages)
    : QObject(&window), m_boxes(boxes), m_window(window), m_settings(settings),
      m_messages(messages)
{
    auto* frame = new QGroupBox(QStringLiteral("Station File"), &window);
    frame->setObjectName(QStringLiteral("stationFileGroup"));
    frame->setGeometry(504, 360, 169, 65);
    m_open = new QToolButton(frame);
    m_open->setObjectName(QStringLiteral("openStationButton"));
    m_open->setText(QStringLiteral("Open..."));
    m_open->setToolTip(QStringLiteral("Open a station's setup; the arrow lists the last files"));
    m_open->setPopupMode(QToolButton::MenuButtonPopup);
    m_open->setMenu(new QMenu(m_open));
    m_open->setGeometry(8, 24, 74, 27);
    m_save = new WrapButton(QStringLiteral("Save As..."), frame);
    m_save->setObjectName(QStringLiteral("saveStationButton"));
    m_save->setToolTip(QStringLiteral("Keep these boxes as a station file"));
    m_save->setGeometry(88, 24, 73, 27);
    connect(m_open, &QToolButton::clicked, this, &StationFileControls::chooseToOpen);
    connect(m_open->menu(), &QMenu::aboutToShow, this, &StationFileControls::listRecent);
    connect(m_save, &QPushButton::clicked, this, &StationFileControls::chooseToSave);

    const auto changed = [this] { markChanges(); };
    connect(m_boxes.uidList, &QComboBox::editTextChanged, this, changed);
    connect(m_boxes.speed9600, &QRadioButton::toggled, this, changed);
    for (QLineEdit* box : m_boxes.storedTexts)
        connect(box, &QLineEdit::textChanged, this, changed);
    for (QLineEdit* box : m_boxes.bitmapBytes)
        connect(box, &QLineEdit::textChanged, this, changed);
    connect(m_boxes.startupLine1, &QLineEdit::textChanged, this, changed);
    connect(m_boxes.startupLine2, &QLineEdit::textChanged, this, changed);
}

void StationFileControls::startFrom(const ModuleSetup& loaded)
{
    remember({}, loaded);
}

bool StationFileControls::openFile(const QString& path)
{
    auto opened = StationFile::open(path);
    if (const auto* refusal = std::get_if<StationFile::Refusal>(&opened)) {
        m_messages.showMessage(QStringLiteral("STATION FILE NOT OPENED!"), refusal->message);
        return false;
    }
    const ModuleSetup& setup = std::get<ModuleSetup>(opened);
    m_boxes.show(setup);
    remember(path, m_boxes.setup());
    return true;
}

bool StationFileControls::saveFile(const QString& path)
{
    const ModuleSetup setup = m_boxes.setup();
    if (const QString failure = StationFile::save(setup, path); !failure.isEmpty()) {
        m_messages.showMessage(QStringLiteral("STATION FILE NOT SAVED!"), failure);
        return false;
    }
    remember(path, setup);
    return true;
}

void StationFileControls::setHeld(bool held)
{
    m_open->setEnabled(!held);
    m_save->setEnabled(!held);
}

void StationFileControls::chooseToOpen()
{
    const QString path =
        QFileDialog::getOpenFileName(&m_window, QStringLiteral("Open Station File"),
                                     m_path.isEmpty() ? QDir::homePath() : m_path, kFilter);
    if (!path.isEmpty())
        openFile(path);
}

void StationFileControls::chooseToSave()
{
    const QString path = QFileDialog::getSaveFileName(
        &m_window, QStringLiteral("Save Station File"),
        m_path.isEmpty() ? QDir::homePath() + QStringLiteral("/station.ini") : m_path, kFilter);
    if (!path.isEmpty())
        saveFile(path);
}

void StationFileControls::listRecent()
{
    QMenu* menu = m_open->menu();
    menu->clear();
    for (const QString& file : StationFile::recent(m_settings)) {
        QAction* item = menu->addAction(QDir::toNativeSeparators(file));
        connect(item, &QAction::triggered, this, [this, file] { openFile(file); });
    }
    if (menu->isEmpty())
        menu->addAction(QStringLiteral("No station file opened yet"))->setEnabled(false);
}

void StationFileControls::remember(const QString& path, const ModuleSetup& setup)
{
    m_base = setup;
    if (!path.isEmpty()) {
        m_path = QFileInfo(path).absoluteFilePath();
        // A list that cannot be kept costs only the shortcut: the file itself is fine.
        StationFile::noteRecent(m_settings, m_path);
    }
    m_window.setWindowTitle(
        m_path.isEmpty()
            ? QStringLiteral("Configure Velnor[*]")
            : QStringLiteral("Configure Velnor - %1[*]").arg(QFileInfo(m_path).fileName()));
    markChanges();
}

void StationFileControls::markChanges()
{
    const ModuleSetup now = m_boxes.setup();
    bool any = false;
    const auto mark = [&any](QWidget* box, bool changed) {
        markBold(box, changed);
        any = any || changed;
    };
    mark(m_boxes.uidList, now.uid != m_base.uid);
    mark(m_boxes.speed9600, now.at9600 != m_base.at9600);
    mark(m_boxes.speed4800, now.at9600 != m_base.at9600);
    mark(m_boxes.startupLine1, !sameText(now.line1, m_base.line1));
    mark(m_boxes.startupLine2, !sameText(now.line2, m_base.line2));
    for (size_t k = 0; k < now.texts.size(); ++k)
        mark(m_boxes.storedTexts[k], !sameText(now.texts[k], m_base.texts[k]));
    for (size_t i = 0; i < now.bitmaps.size(); ++i)
        mark(m_boxes.bitmapBytes[i], now.bitmaps[i] != m_base.bitmaps[i]);
    m_window.setWindowModified(any);
}

} // namespace velnor
