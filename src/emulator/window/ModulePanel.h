#pragma once

#include <QFrame>

class QButtonGroup;
class QLabel;

namespace velnor {

class Line;
class LcdView;
class OutputLamps;

// Everything the emulator shows of one module: address, serial number and speed, its
// selections, a conflict with another module, a line at another speed than its own, the display,
// the output lamps and the input switches. Flipping a switch changes the module's inputs on the
// line.
class ModulePanel : public QFrame
{
    Q_OBJECT
public:
    ModulePanel(Line& line, int moduleIndex, QWidget* parent = nullptr);

    // Shows the module as it is now.
    void refresh();

    LcdView* display() const { return m_display; }
    OutputLamps* outputs() const { return m_outputs; }
    QButtonGroup* inputs() const { return m_inputs; }
    QLabel* conflictLabel() const { return m_conflict; }
    QLabel* speedLabel() const { return m_speed; }

private:
    void inputFlipped();

    Line& m_line;
    int m_index;
    QLabel* m_title;
    QLabel* m_own;
    QLabel* m_broadcast;
    QLabel* m_conflict;
    QLabel* m_speed;
    QLabel* m_pending;
    LcdView* m_display;
    OutputLamps* m_outputs;
    QButtonGroup* m_inputs;
};

} // namespace velnor
