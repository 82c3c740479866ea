#include "link/Commissioning.h"

#include "link/CommissionLine.h"
#include "shared/Formats.h"
#include "protocol/Frames.h"
#include "protocol/UploadPlan.h"
#include "shared/Wire.h"

#include <QTimer>

#include <utility>

namespace velnor {

namespace {

// Between two checks that could not start because another wait ran.
constexpr int kRetryMs = 100;

QString where(quint8 address, int baud)
{
    return QStringLiteral("%1 at %2 bit/s").arg(address).arg(baud);
}

} // namespace

Commissioning::Commissioning(Panel& panel, QObject* parent)
    : QObject(parent), m_line(new CommissionLine(panel, this))
{
    connect(m_line, &CommissionLine::searched, this, &Commissioning::searched);
    connect(m_line, &CommissionLine::uploadStep, this, [this](int sent, int total) {
        m_state = sent == total ? State::StoredNotChecked : State::UploadedNotStored;
        emit uploadProgress(sent, total);
    });
    connect(m_line, &CommissionLine::uploaded, this, [this](bool stored) {
        m_busy = false;
        emit uploadEnded(
            stored,
            stored ? QStringLiteral(
                         "Stored: the module takes address %1 once switched "
                         "off and on. Switch it off and on now: it is checked at its new address.")
                         .arg(where(m_result.address, m_result.baud))
                   : QStringLiteral("The upload stopped: the module may hold part of the "
                                    "setup, not stored. Press Find to start it again."));
    });
    connect(m_line, &CommissionLine::checked, this, &Commissioning::checked);
    connect(m_line, &CommissionLine::lineReturned, this, [this] {
        if (std::exchange(m_givingUp, false))
            checkDone();
    });
}

Commissioning::~Commissioning()
{
    cancel();
}

bool Commissioning::find()
{
    if (m_busy || !m_line->search())
        return false;
    m_busy = true;
    m_state = State::Untouched;
    m_result = {};
    return true;
}

void Commissioning::searched(bool completed)
{
    if (!m_busy)
        return;
    m_busy = false;
    const ScanResult& scan = m_line->scan().result();
    QStringList answered;
    QStringList garbled;
    for (int baud : scan.speeds()) {
        for (quint8 address : scan.addressesAt(baud, Reply::Answered)) {
            answered << where(address, baud);
            m_result.oldAddress = address;
            m_result.oldBaud = baud;
        }
        for (quint8 address : scan.addressesAt(baud, Reply::Garbled))
            garbled << QStringLiteral("%1 (%2)").arg(
                where(address, baud), formats::hex(m_line->scan().heard(baud, address)));
    }
    const QString nothingSent = QStringLiteral(" Nothing was uploaded.");
    if (!completed) {
        emit found(Found::None, QStringLiteral("The search was stopped.") + nothingSent);
    } else if (answered.size() > 1) {
        emit found(Found::Several,
                   QStringLiteral("More than one module answers: %1. Connect the module alone, "
                                  "then press Find again.")
                           .arg(answered.join(QStringLiteral(", "))) +
                       nothingSent);
    } else if (!garbled.isEmpty()) {
        emit found(Found::Garbled,
                   QStringLiteral("A garbled reply came back at %1: modules sharing an address "
                                  "answer at once. Connect the module alone, then press Find "
                                  "again.")
                           .arg(garbled.join(QStringLiteral(", "))) +
                       nothingSent);
    } else if (answered.isEmpty()) {
        emit found(Found::None,
                   QStringLiteral("No module answers at any address from %1 to %2, at %3 or %4 "
                                  "bit/s. Check that it is connected and switched on, then press "
                                  "Find again.")
                           .arg(wire::FirstAddress)
                           .arg(wire::LastAddress)
                           .arg(wire::FastSpeed)
                           .arg(wire::SlowSpeed) +
                       nothingSent);
    } else {
        emit found(Found::One, QStringLiteral("Found one module, at %1.")
                                   .arg(where(m_result.oldAddress, m_result.oldBaud)));
        return;
    }
    m_result.oldAddress = 0;
}

bool Commissioning::upload(const ModuleSetup& station, quint8 address)
{
    if (m_busy || m_result.oldAddress == 0 || m_state != State::Untouched)
        return false;
    ModuleSetup setup = station;
    setup.uid = QString::number(address);
    const auto plan = planUpload(setup);
    if (!std::holds_alternative<QList<UploadStep>>(plan))
        return false;
    // Set before the start: an upload whose first step fails to send ends inside it.
    m_busy = true;
    m_result.address = address;
    m_result.baud = station.at9600 ? wire::FastSpeed : wire::SlowSpeed;
    if (m_line->upload(m_result.oldBaud, std::get<QList<UploadStep>>(plan)))
        return true;
    m_busy = false;
    return false;
}

bool Commissioning::check(int limitMs)
{
    if (m_busy || (m_state != State::StoredNotChecked && m_state != State::Checked))
        return false;
    m_busy = m_checking = true;
    m_limitMs = limitMs;
    m_deadline = QDeadlineTimer(limitMs);
    checkOnce();
    return true;
}

void Commissioning::extend(int ms)
{
    if (m_checking) {
        m_limitMs += ms;
        m_deadline = QDeadlineTimer(m_deadline.remainingTime() + ms);
    }
}

void Commissioning::checkOnce()
{
    if (!m_checking)
        return;
    m_starting = true;
    const bool started = m_line->check(m_result.address, m_result.baud);
    m_starting = false;
    if (started)
        return;
    if (m_deadline.hasExpired())
        checked(false, std::nullopt);
    else
        QTimer::singleShot(kRetryMs, this, &Commissioning::checkOnce);
}

void Commissioning::checked(bool answered, std::optional<InputStates> inputs)
{
    if (!m_checking)
        return;
    if (!answered && !m_deadline.hasExpired()) {
        // A check that could not send ended inside its start: the next one waits a little.
        if (m_starting)
            QTimer::singleShot(kRetryMs, this, &Commissioning::checkOnce);
        else
            checkOnce();
        return;
    }
    m_checking = false;
    m_result.time = QDateTime::currentDateTime();
    m_result.checked = answered;
    m_result.inputs = inputs;
    if (!answered) {
        // Not switched off and on, the module still listens at its old speed, selected by the
        // store through the broadcast address; the outcome is told once it was let go.
        m_givingUp = true;
        m_line->letGo(m_result.oldBaud, frames::broadcastOff());
        return;
    }
    m_state = State::Checked;
    checkDone();
}

void Commissioning::checkDone()
{
    m_busy = false;
    const bool answered = m_result.checked;
    const std::optional<InputStates>& inputs = m_result.inputs;
    const QString at = where(m_result.address, m_result.baud);
    emit checkEnded(
        answered,
        answered
            ? QStringLiteral("Checked: the module answers at %1%2.")
                  .arg(at, inputs ? QStringLiteral(", inputs ") + inputsText(*inputs) : QString())
            : QStringLiteral("No answer at %1 within %2 s. Switch the module off and on, "
                             "then press Check again. Not switched off and on, it still "
                             "answers at %3.")
                  .arg(at)
                  .arg((m_limitMs + 999) / 1000)
                  .arg(where(m_result.oldAddress, m_result.oldBaud)));
}

ModuleScan& Commissioning::scan()
{
    return m_line->scan();
}

void Commissioning::cancel()
{
    const bool afterStore = m_checking;
    m_busy = m_checking = m_givingUp = false;
    m_line->cancel();
    if (m_state != State::StoredNotChecked)
        return;
    // The time it was left at, unchecked, for the record.
    m_result.time = QDateTime::currentDateTime();
    m_result.checked = false;
    m_result.inputs.reset();
    // The store selected every module at the old speed through the broadcast address; the
    // check's own deselect reaches only the new address.
    if (afterStore)
        m_line->letGo(m_result.oldBaud, frames::broadcastOff());
}

QString Commissioning::stateText(State state)
{
    switch (state) {
    case State::Untouched:
        return QStringLiteral("The module was left untouched: nothing was uploaded to it.");
    case State::UploadedNotStored:
        return QStringLiteral("The module was left uploaded but not stored: switched off and "
                              "on, it starts with its old setup.");
    case State::StoredNotChecked:
        return QStringLiteral("The module was left stored but not checked: switched off and on, "
                              "it takes its new address and speed.");
    case State::Checked:
        break;
    }
    return QStringLiteral("The module was checked at its new address.");
}

QString Commissioning::inputsText(const InputStates& inputs)
{
    return formats::numbers(inputs, u" ");
}

} // namespace velnor
