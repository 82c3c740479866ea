#pragma once

// Watching the inputs: a "Watch" box in the title row of the main window's input group starts
// and stops an InputWatch; each answer goes on to the window's squares (inputsRead), and this
// small window keeps a log of the changes with their times, to copy or save. The watch gives
// way to any command of the main window: the window calls stop() before every click.

#include "link/InputWatch.h"

#include <QDateTime>
#include <QWidget>

class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QSpinBox;
class QTreeWidget;

namespace velnor {

class Panel;

class InputWatchWindow final : public QWidget
{
    Q_OBJECT
public:
    // The box goes into group's title row; the box is usable while the group is.
    InputWatchWindow(Panel& panel, const Selection& selection, QGroupBox* group,
                     QWidget* parent = nullptr);
    ~InputWatchWindow() override;

    InputWatch& watch() { return m_watch; }
    void stop();
    // The window's controls are built the first time it is shown.
    void setVisible(bool visible) override;

    // The log as text, one change a line: time, input, new state.
    QString logText() const;
    bool saveTo(const QString& path);

signals:
    void inputsRead(const velnor::InputStates& states);
    void statusChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void boxClicked(bool checked);
    void answered(const InputStates& states, const QList<int>& changed, bool first);
    void addRow(const QDateTime& at, const QString& input, const QString& state);
    int intervalMs() const;
    void askWhereToSave();

    InputWatch m_watch;
    // Whose inputs are watched: the module the main window selected.
    const Selection& m_selection;
    QGroupBox* m_group;
    QCheckBox* m_box;
    QSpinBox* m_interval = nullptr;
    QTreeWidget* m_log = nullptr;
    QLabel* m_status = nullptr;
    QFileDialog* m_saveDialog = nullptr;
};

} // namespace velnor
