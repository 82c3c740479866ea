#pragma once

#include <QObject>

#include <functional>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;

namespace velnor {

class WaitGate;

// Wires a window's controls to their handlers through the wait gate: while a wait of either
// window runs, a click is dropped, and a control that changed its own state on the click (an
// option, a check box, a list) is put back as it was. The controls themselves stay enabled.
class ClickGate final : public QObject
{
    Q_OBJECT
public:
    ClickGate(WaitGate& gate, QObject* parent);

    void button(QAbstractButton* button, std::function<void()> handler);
    // A control array: one handler, given the member's id.
    void group(QButtonGroup* group, std::function<void(int)> handler);
    // Given the box's state after the click.
    void checkBox(QCheckBox* box, std::function<void(bool)> handler);
    // Given the index chosen; also runs when the program chooses it.
    void list(QComboBox* list, std::function<void(int)> handler);
    void action(QAction* action, std::function<void()> handler);
    // Runs before every click is let through or dropped: a watch of the inputs gives way to
    // any command this way, and the command then runs.
    void setBeforeClick(std::function<void()> before) { m_before = std::move(before); }

private:
    bool run(const std::function<void()>& action) const;

    WaitGate& m_gate;
    std::function<void()> m_before;
};

} // namespace velnor
