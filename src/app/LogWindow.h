#pragma once

// The traffic log window, a tool window beside the main window. The TrafficLog model is fed by
// the link; this window only shows it: a proxy filters it by address, the buttons pause and
// clear the model, and copy and save turn the rows shown into text or CSV.

#include <QWidget>

class QComboBox;
class QFileDialog;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace velnor {

class TrafficLog;
struct LogRow;

class LogWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit LogWindow(TrafficLog& log, QWidget* parent = nullptr);

    // The rows the filter lets through, oldest first.
    QList<LogRow> shownRows() const;
    // Writes the rows shown: CSV for a name ending in .csv, text otherwise. False, with the
    // reason in the window, when the file cannot be written.
    bool saveTo(const QString& path);
    void copy();

protected:
    // Opens at the latest rows, as a reader who opens the log wants to see what just happened.
    void showEvent(QShowEvent* event) override;

private:
    void connectSignals();
    void filterByAddress(int index);
    void askWhereToSave();
    void followNewRows();
    void showWaiting(int rows);

    TrafficLog& m_log;
    QSortFilterProxyModel* m_shown;
    QComboBox* m_address;
    QPushButton* m_pause;
    QPushButton* m_clear;
    QPushButton* m_copy;
    QPushButton* m_save;
    QTableView* m_table;
    QLabel* m_bound;
    QLabel* m_status;
    QFileDialog* m_saveDialog = nullptr;
};

} // namespace velnor
