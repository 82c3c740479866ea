#pragma once

// The "Commission Modules" window: gives a line's modules their addresses one at a time. The
// person picks the setup (the configuration window's boxes, or a station file) and the
// addresses, then for each: connects the module alone and presses Find; the module found is
// given the setup with its address and stored, then checked at its new address once switched
// off and on, within a time limit that can be extended. Each step's outcome and the prompt for
// the next go to two lines at the top; results go to a table that can be saved as CSV. The
// procedure is Commissioning's; the window only maps its outcomes to texts and enabled
// buttons. Closed during a step, the step is cancelled; the table stays for the next opening.

#include "commands/CommissionSheet.h"
#include "link/Commissioning.h"
#include "protocol/ModuleSetup.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace velnor {

class ClickGate;
class IniFile;
class MessageSink;
class Panel;

class CommissionWindow final : public QWidget
{
    Q_OBJECT
public:
    // boxes: the configuration window's setup as it stands (its boxes when it is open).
    // Find and Check Again go through the main window's click gate, like its commands.
    CommissionWindow(Panel& panel, ClickGate& gate, std::function<ModuleSetup()> boxes,
                     QWidget* parent = nullptr);

    // Starts a run over the addresses typed; false (and why, on screen) when refused.
    bool startRun();
    void find();
    void checkAgain();
    void moreTime();
    void skip();
    void cancel();
    bool saveCsv(const QString& path);

    const CommissionSheet& sheet() const { return m_sheet; }
    Commissioning& task() { return m_task; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::optional<ModuleSetup> station();
    void found(Commissioning::Found found, const QString& text);
    void uploadEnded(bool stored, const QString& text);
    void checkEnded(bool checked, const QString& text);
    // True, and says so, while the configuration window is open.
    bool configWindowOpen();
    void prompt(const QString& outcome);
    void showRows();
    void enable();

    Panel& m_panel;
    std::function<ModuleSetup()> m_boxes;
    Commissioning m_task;
    CommissionSheet m_sheet;
    ModuleSetup m_station;
    // The address the module found is given: confirmed when already given in this run.
    std::optional<quint8> m_confirmed;
    bool m_running = false;

    QRadioButton* m_fromBoxes;
    QRadioButton* m_fromFile;
    QLineEdit* m_file;
    QLineEdit* m_addresses;
    QSpinBox* m_limit;
    QLabel* m_prompt;
    QLabel* m_outcome;
    QPushButton* m_start;
    QPushButton* m_find;
    QPushButton* m_check;
    QPushButton* m_more;
    QPushButton* m_skip;
    QPushButton* m_cancel;
    QPushButton* m_save;
    QTableWidget* m_table;
};

} // namespace velnor
