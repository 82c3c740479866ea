#pragma once

// The "Find Modules" window. Opening it starts a search of the main window's line; the search
// holds the wait gate, so the main window's clicks are dropped while it runs. Progress and a
// Cancel while it runs, then one row per address with its reply and the speed of it; choosing
// a row hands its address on, for the main window's address list.

#include "link/ModuleScan.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velnor {

class ClickGate;
class Panel;

// Which modules answer on the line, at which speed, and which addresses gave a garbled reply.
class FindModulesWindow final : public QWidget
{
    Q_OBJECT
public:
    // "Search Again" goes through the main window's click gate, like its commands.
    FindModulesWindow(Panel& panel, ClickGate& gate, QWidget* parent = nullptr);

    ModuleScan& scan() { return m_scan; }
    // Starts a search, at both speeds when the box says so. False while another wait runs.
    bool search();

signals:
    void addressChosen(quint8 address);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void progress(int step, int total, int baud, quint8 address);
    void finished(bool completed);
    void showResult();
    void chosen(QTreeWidgetItem* item);
    // Why an address's reply reads as it does, in a few words.
    QString why(quint8 address) const;

    ModuleScan m_scan;
    QLabel* m_state = nullptr;
    QProgressBar* m_progress = nullptr;
    QCheckBox* m_bothSpeeds = nullptr;
    QPushButton* m_again = nullptr;
    QPushButton* m_cancel = nullptr;
    QTreeWidget* m_list = nullptr;
};

} // namespace velnor
