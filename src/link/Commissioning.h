#pragma once

#include "link/Exchange.h"
#include "protocol/ModuleSetup.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace velnor {

class CommissionLine;
class ModuleScan;
class Panel;

// Commissioning one module alone on the line: find it (exactly one module at either speed),
// give it the station's setup with its own address at the speed it listens at now and store
// it, then, once the person has switched it off and on, check that it answers at its new
// address and speed. Every step says how it ended in words for the person; cancel stops at
// any step and says in which state the module was left.
class Commissioning final : public QObject
{
    Q_OBJECT
public:
    // How far a module got: what cancelling now leaves it with.
    enum class State { Untouched, UploadedNotStored, StoredNotChecked, Checked };
    enum class Found { None, One, Several, Garbled };

    struct Result
    {
        quint8 address = 0;
        int baud = 0;
        QDateTime time;
        bool checked = false;
        std::optional<InputStates> inputs;
        // Where the module was found.
        quint8 oldAddress = 0;
        int oldBaud = 0;
    };

    explicit Commissioning(Panel& panel, QObject* parent = nullptr);
    ~Commissioning() override;

    // Searches the line at both speeds; finds() reports. False while a wait runs.
    bool find();
    // Uploads setup with address, at the speed the found module listens at, then stores it;
    // uploadEnded() reports. Only after a find that found one module.
    bool upload(const ModuleSetup& station, quint8 address);
    // Selects the module at its new address and speed and reads its inputs, again and again
    // until it answers or limitMs passed; checkEnded() reports. Only after the store.
    bool check(int limitMs);
    // More time for a running check.
    void extend(int ms);
    // Stops the step under way; no module is left selected.
    void cancel();
    // The search it runs, for those who follow what the line was sent.
    ModuleScan& scan();

    State state() const { return m_state; }
    bool isBusy() const { return m_busy; }
    const Result& result() const { return m_result; }
    // What cancelling leaves the module with, as told to the person.
    static QString stateText(State state);
    // "0 1 1 0 1 0 0 1": inputs 1 to 8, 1 open.
    static QString inputsText(const InputStates& inputs);

signals:
    void found(velnor::Commissioning::Found found, const QString& text);
    void uploadProgress(int sent, int total);
    void uploadEnded(bool stored, const QString& text);
    void checkEnded(bool checked, const QString& text);

private:
    void searched(bool completed);
    void checkOnce();
    void checked(bool answered, std::optional<InputStates> inputs);
    void checkDone();

    CommissionLine* m_line;
    State m_state = State::Untouched;
    bool m_busy = false;
    bool m_checking = false;
    // A check attempt is being started: one that ends inside its start is retried later.
    bool m_starting = false;
    // The check gave up: the module is being let go at its old speed before it is told.
    bool m_givingUp = false;
    Result m_result;
    QDeadlineTimer m_deadline;
    int m_limitMs = 0;
};

} // namespace velnor
