#pragma once

// Watching the inputs: start() reads them again and again through an InputWatch, each answer
// going on to the main window's squares (inputsRead), and this small window keeps a log of the
// changes with their times, to copy or save. The watch gives way to any command of the main
// window: the window calls stop() before every click.

#include "link/InputWatch.h"

#include <QDateTime>
#include <QWidget>

class QFileDialog;
class QLabel;
class QSpinBox;
class QTreeWidget;

namespace velnor {

class Panel;

class InputWatchWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit InputWatchWindow(Panel& panel, QWidget* parent = nullptr);
    ~InputWatchWindow() override;

    InputWatch& watch() { return m_watch; }
    // Starts watching address afresh at the interval chosen, and shows the window.
    void start(quint8 address);
    void stop();
    // The window's controls are built the first time it is shown.
    void setVisible(bool visible) override;

    // The log as text, one change a line: time, input, new state.
    QString logText() const;
    bool saveTo(const QString& path);

signals:
    void inputsRead(const velnor::InputStates& states);
    void statusChanged(const QString& text);
    // Started, or stopped by a click, a command, a deselect or a new interval.
    void watchingChanged(bool watching);

private:
    void build();
    void answered(const InputStates& states, const QList<int>& changed, bool first);
    void addRow(const QDateTime& at, const QString& input, const QString& state);
    int intervalMs() const;
    void askWhereToSave();

    InputWatch m_watch;
    // The module watched: the one the main window selected.
    quint8 m_address = 0;
    QSpinBox* m_interval = nullptr;
    QTreeWidget* m_log = nullptr;
    QLabel* m_status = nullptr;
    QFileDialog* m_saveDialog = nullptr;
};

} // namespace velnor
