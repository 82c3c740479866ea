#include "app/CommissionWindow.h"

#include "shared/Formats.h"

#include "config/ConfigWindow.h"
#include "protocol/UploadPlan.h"
#include "settings/StationFile.h"
#include "shared/Wire.h"
#include "system/WholeFile.h"
#include "widgets/ClickGate.h"
#include "widgets/WindowHabits.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velnor {

namespace {

constexpr int kMoreTimeS = 30;

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(QLatin1String(name));
    return push;
}

} // namespace

CommissionWindow::CommissionWindow(Panel& panel, ClickGate& gate,
                                   std::function<ModuleSetup()> boxes, QWidget* parent)
    : QWidget(parent, Qt::Window), m_panel(panel), m_boxes(std::move(boxes)), m_task(panel)
{
    setObjectName(QStringLiteral("commissionWindow"));
    setWindowTitle(QStringLiteral("Commission Modules"));
    closeOnEscape(this);

    m_fromBoxes = new QRadioButton(QStringLiteral("The configuration window's boxes"), this);
    m_fromBoxes->setObjectName(QStringLiteral("setupFromBoxes"));
    m_fromBoxes->setChecked(true);
    m_fromFile = new QRadioButton(QStringLiteral("Station file:"), this);
    m_fromFile->setObjectName(QStringLiteral("setupFromFile"));
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("stationFileBox"));
    QPushButton* browse = button(this, "browseButton", QStringLiteral("Browse..."));
    m_addresses = new QLineEdit(QStringLiteral("101-108"), this);
    m_addresses->setObjectName(QStringLiteral("addressesBox"));
    m_addresses->setToolTip(QStringLiteral("A list such as 101, 103 or a range such as 101-108"));
    m_limit = new QSpinBox(this);
    m_limit->setObjectName(QStringLiteral("timeLimitBox"));
    m_limit->setRange(5, 600);
    m_limit->setValue(60);
    m_limit->setSuffix(QStringLiteral(" s"));
    m_start = button(this, "startRunButton", QStringLiteral("Start"));
    auto* note = new QLabel(
        QStringLiteral("A module's configuration cannot be read back over the line: the station "
                       "file and the table below are the record of what each module was given."),
        this);
    note->setWordWrap(true);

    m_prompt =
        new QLabel(QStringLiteral("Pick the setup and the addresses, then press Start."), this);
    m_prompt->setObjectName(QStringLiteral("promptLabel"));
    m_prompt->setWordWrap(true);
    QFont bold = m_prompt->font();
    bold.setBold(true);
    m_prompt->setFont(bold);
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("outcomeLabel"));
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_find = button(this, "findButton", QStringLiteral("Find"));
    m_check = button(this, "checkAgainButton", QStringLiteral("Check Again"));
    m_more = button(this, "moreTimeButton", QStringLiteral("+%1 s").arg(kMoreTimeS));
    m_more->setToolTip(QStringLiteral("More time for the module to answer at its new address"));
    m_skip = button(this, "skipButton", QStringLiteral("Next Address"));
    m_cancel = button(this, "cancelStepButton", QStringLiteral("Cancel"));
    m_save = button(this, "saveCsvButton", QStringLiteral("Save as CSV..."));

    m_table = new QTableWidget(0, 6, this);
    m_table->setObjectName(QStringLiteral("resultsTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Address"), QStringLiteral("Speed"),
                                        QStringLiteral("Time"), QStringLiteral("Checked"),
                                        QStringLiteral("Inputs 1-8"), QStringLiteral("Found at")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* file = new QHBoxLayout;
    file->addWidget(m_fromFile);
    file->addWidget(m_file, 1);
    file->addWidget(browse);
    auto* run = new QHBoxLayout;
    run->addWidget(m_addresses, 1);
    run->addWidget(new QLabel(QStringLiteral("Time limit:"), this));
    run->addWidget(m_limit);
    run->addWidget(m_start);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Setup:"), m_fromBoxes);
    form->addRow(QString(), file);
    form->addRow(QStringLiteral("Addresses:"), run);
    auto* steps = new QHBoxLayout;
    for (QPushButton* push : {m_find, m_check, m_more, m_skip, m_cancel})
        steps->addWidget(push);
    steps->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_prompt);
    layout->addWidget(m_outcome);
    layout->addLayout(steps);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(720, 520);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, QStringLiteral("Station File"), m_file->text(),
                                         QStringLiteral("Station files (*.ini);;All files (*)"));
        if (!path.isEmpty()) {
            m_file->setText(path);
            m_fromFile->setChecked(true);
        }
    });
    connect(m_start, &QPushButton::clicked, this, &CommissionWindow::startRun);
    // A running watch of the inputs gives way first, as it does to any command.
    gate.button(m_find, [this] { find(); });
    gate.button(m_check, [this] { checkAgain(); });
    connect(m_more, &QPushButton::clicked, this, &CommissionWindow::moreTime);
    connect(m_skip, &QPushButton::clicked, this, &CommissionWindow::skip);
    connect(m_cancel, &QPushButton::clicked, this, &CommissionWindow::cancel);
    connect(m_save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("Save Results"), QDir::homePath() + QStringLiteral("/line.csv"),
            QStringLiteral("CSV files (*.csv)"));
        if (!path.isEmpty())
            saveCsv(path);
    });
    connect(&m_task, &Commissioning::found, this, &CommissionWindow::found);
    connect(&m_task, &Commissioning::uploadProgress, this, [this](int sent, int total) {
        m_outcome->setText(QStringLiteral("Uploading: step %1 of %2.").arg(sent).arg(total));
    });
    connect(&m_task, &Commissioning::uploadEnded, this, &CommissionWindow::uploadEnded);
    connect(&m_task, &Commissioning::checkEnded, this, &CommissionWindow::checkEnded);
    enable();
}

bool CommissionWindow::startRun()
{
    const auto parsed = CommissionSheet::parseAddresses(m_addresses->text());
    if (const auto* why = std::get_if<QString>(&parsed)) {
        m_outcome->setText(QStringLiteral("Addresses: %1.").arg(*why));
        return false;
    }
    const std::optional<ModuleSetup> setup = station();
    if (!setup)
        return false;
    m_station = *setup;
    m_sheet.start(std::get<QList<quint8>>(parsed));
    m_running = true;
    showRows();
    prompt(QStringLiteral("Setup taken: %1 bit/s.")
               .arg(m_station.at9600 ? wire::FastSpeed : wire::SlowSpeed));
    return true;
}

std::optional<ModuleSetup> CommissionWindow::station()
{
    if (m_fromBoxes->isChecked()) {
        ModuleSetup setup = m_boxes();
        // Checked as a file is: every value the upload takes, the address given per module.
        setup.uid = QString::number(wire::FirstAddress);
        const auto plan = planUpload(setup);
        if (const auto* refusal = std::get_if<UploadRefusal>(&plan)) {
            m_outcome->setText(
                QStringLiteral("The configuration window's boxes: %1").arg(refusalText(*refusal)));
            return std::nullopt;
        }
        return setup;
    }
    auto opened = StationFile::open(m_file->text());
    if (const auto* refusal = std::get_if<StationFile::Refusal>(&opened)) {
        m_outcome->setText(refusal->message);
        return std::nullopt;
    }
    return std::get<ModuleSetup>(opened);
}

void CommissionWindow::find()
{
    const std::optional<quint8> address = m_sheet.current();
    if (!m_running || !address || m_task.isBusy())
        return;
    if (configWindowOpen())
        return;
    // An address a module was given in this run already is given again only on a second Find.
    if (m_sheet.given(*address) && m_confirmed != address) {
        m_confirmed = address;
        m_outcome->setText(QStringLiteral("A module was given address %1 in this run already: "
                                          "press Find again to give it to this one too.")
                               .arg(*address));
        return;
    }
    if (!m_task.find()) {
        m_outcome->setText(QStringLiteral("The line is busy: try again when the wait is over."));
        return;
    }
    m_prompt->setText(QStringLiteral("Searching every address at both speeds..."));
    m_outcome->clear();
    enable();
}

void CommissionWindow::found(Commissioning::Found found, const QString& text)
{
    m_confirmed.reset();
    if (found != Commissioning::Found::One) {
        prompt(text);
        return;
    }
    const quint8 address = *m_sheet.current();
    // Said first: an upload whose first step fails to send has ended, and said so, on return.
    m_prompt->setText(QStringLiteral("Giving it address %1: do not disconnect it.").arg(address));
    m_outcome->setText(text);
    if (!m_task.upload(m_station, address)) {
        prompt(QStringLiteral("The upload could not start: the line is busy."));
        return;
    }
    enable();
}

void CommissionWindow::uploadEnded(bool stored, const QString& text)
{
    if (!stored || !m_task.check(m_limit->value() * 1000)) {
        prompt(text);
        return;
    }
    m_prompt->setText(QStringLiteral("Switch the module off and on now."));
    m_outcome->setText(text);
    enable();
}

void CommissionWindow::checkEnded(bool checked, const QString& text)
{
    m_sheet.record(m_task.result());
    showRows();
    if (checked)
        m_sheet.advance();
    prompt(text);
}

void CommissionWindow::checkAgain()
{
    if (configWindowOpen())
        return;
    if (m_task.check(m_limit->value() * 1000)) {
        m_prompt->setText(QStringLiteral("Switch the module off and on now."));
        m_outcome->clear();
        enable();
    }
}

bool CommissionWindow::configWindowOpen()
{
    // It holds the line while open, and would take the upload's progress for its own.
    if (!parentWidget() || !parentWidget()->findChild<ConfigWindow*>())
        return false;
    m_outcome->setText(QStringLiteral("Close the configuration window first: it holds the line "
                                      "while it is open. The setup was taken at Start."));
    return true;
}

void CommissionWindow::moreTime()
{
    m_task.extend(kMoreTimeS * 1000);
}

void CommissionWindow::skip()
{
    if (m_task.isBusy())
        return;
    m_sheet.advance();
    prompt(QStringLiteral("Address skipped."));
}

void CommissionWindow::cancel()
{
    if (!m_task.isBusy())
        return;
    m_task.cancel();
    // A stored module takes its new address once switched off and on: the table is the record.
    if (m_task.state() == Commissioning::State::StoredNotChecked) {
        m_sheet.record(m_task.result());
        showRows();
    }
    prompt(QStringLiteral("Cancelled. ") + Commissioning::stateText(m_task.state()));
}

bool CommissionWindow::saveCsv(const QString& path)
{
    const WholeWrite written = writeWholeFile(path, m_sheet.csv().toUtf8());
    const bool saved = bool(written);
    m_outcome->setText(
        saved ? QStringLiteral("Results saved to %1.").arg(QDir::toNativeSeparators(path))
              : QStringLiteral("Results NOT saved: %1").arg(written.detail));
    return saved;
}

void CommissionWindow::closeEvent(QCloseEvent* event)
{
    // The window stays, with its table, for the next opening; a step under way ends.
    cancel();
    event->accept();
}

void CommissionWindow::prompt(const QString& outcome)
{
    m_outcome->setText(outcome);
    const std::optional<quint8> address = m_sheet.current();
    if (!m_running)
        m_prompt->setText(QStringLiteral("Pick the setup and the addresses, then press Start."));
    else if (!address)
        m_prompt->setText(QStringLiteral("Every address was given: save the table as CSV."));
    else
        m_prompt->setText(QStringLiteral("Connect the module for address %1 alone, then press "
                                         "Find.")
                              .arg(*address));
    enable();
}

void CommissionWindow::showRows()
{
    const QList<Commissioning::Result>& rows = m_sheet.rows();
    m_table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const Commissioning::Result& row = rows.at(r);
        const QStringList cells{
            QString::number(row.address),
            QString::number(row.baud),
            formats::logTime(row.time.toMSecsSinceEpoch(), formats::Moment::TimeOfDay),
            row.checked ? QStringLiteral("yes") : QStringLiteral("NO"),
            row.inputs ? Commissioning::inputsText(*row.inputs) : QString(),
            QStringLiteral("%1 at %2").arg(row.oldAddress).arg(row.oldBaud)};
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
}

void CommissionWindow::enable()
{
    const bool busy = m_task.isBusy();
    const bool at = m_running && m_sheet.current().has_value();
    const auto state = m_task.state();
    m_start->setEnabled(!busy);
    m_find->setEnabled(at && !busy);
    m_check->setEnabled(at && !busy &&
                        (state == Commissioning::State::StoredNotChecked ||
                         (state == Commissioning::State::Checked && !m_task.result().checked)));
    m_more->setEnabled(busy && (state == Commissioning::State::StoredNotChecked));
    m_skip->setEnabled(at && !busy);
    m_cancel->setEnabled(busy);
    m_save->setEnabled(!m_sheet.rows().isEmpty());
}

} // namespace velnor
