#pragma once

#include <QObject>
#include <QPointer>

#include <utility>

namespace velnor {

// Whether a user action may run now. While an exchange of the main window or an upload of the
// configuration window waits, none may: its frame would tangle with what the wait is waiting
// for. The one that waits holds the gate; every click of both windows passes through here and
// no handler checks on its own.
class WaitGate final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool isOpen() const { return m_holder.isNull(); }
    bool isHeldBy(const QObject* holder) const { return holder && m_holder == holder; }

    // Closes the gate for holder. False when another holds it.
    bool close(QObject* holder);
    // Opens the gate again, when holder is the one that holds it.
    void open(const QObject* holder);

    // Runs the action when the gate is open. False when it was dropped.
    template <typename Action> bool run(Action&& action) const
    {
        if (!isOpen())
            return false;
        std::forward<Action>(action)();
        return true;
    }

signals:
    void openChanged(bool open);

private:
    QPointer<QObject> m_holder;
};

} // namespace velnor
