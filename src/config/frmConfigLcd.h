#pragma once

// The configuration window: edits what a module keeps in its non-volatile memory. What it edits
// lives in its boxes; a ModuleSetup is read from them for an upload or a save and written into
// them at load. It only ever sends, through its own port and 200 ms tick (ConfigLink): at load
// it selects every module and shows "Config. Mode" on them; an upload walks the upload plan;
// a save sends the store frame and writes the boxes to section "LCD" of the settings file.
// Two lines under the boxes say what an upload would do to the modules, kept current as the
// boxes change, and how the last upload or save went. Closing it (or Escape) ends an upload
// where it stands and releases the port.

#include "link/ConfigLink.h"
#include "protocol/ModuleSetup.h"
#include "protocol/UploadPlan.h"

#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velnor {

struct Variables;
class IniFile;
class Panel;
class SerialPort;
class MessageSink;
class CharacterEditor;
class ClickGate;

class frmConfigLcd final : public QWidget
{
    Q_OBJECT
public:
    static inline const QString kSettingsNotSaved = QStringLiteral("SETTINGS NOT SAVED!");

    // Uses the panel's configuration port and tick. commIndex is the main window's port list
    // position, which this window's port follows.
    frmConfigLcd(Panel& panel, const IniFile& settings, int commIndex, QWidget* parent = nullptr);
    ~frmConfigLcd() override;

    void cmdConLcd_Click();
    void cmdSaveFlash_Click();

    // The boxes as they stand now.
    ModuleSetup setup() const;
    bool isUploading() const { return m_link.isRunning(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLayout();
    void setUpLook();
    void connectSignals();
    void Form_Load(int commIndex);
    void showSetup(const ModuleSetup& setup);
    void fill(int field, const QString& text);
    void setEditable(bool editable);
    void refuse(UploadRefusal refusal, const ModuleSetup& refused);
    void showTarget();
    void showProgress(const QString& text);
    void uploadEnded(bool completed);

    Variables& m_vars;
    SerialPort& m_port;
    MessageSink& m_messages;
    const IniFile& m_settings;
    ConfigLink& m_link;
    ClickGate* m_gate;

    QComboBox* m_cboUID = nullptr;
    QRadioButton* m_opt9600 = nullptr;
    QRadioButton* m_opt4800 = nullptr;
    QLineEdit* m_txtSU1 = nullptr;
    QLineEdit* m_txtSU2 = nullptr;
    std::array<QLineEdit*, ModuleSetup::kTexts> m_txtPreDefine{};
    std::array<QLineEdit*, ModuleSetup::kBitmaps> m_txtCustom{};
    QPushButton* m_cmdConLcd = nullptr;
    QPushButton* m_cmdSaveFlash = nullptr;
    CharacterEditor* m_editor = nullptr;
    QLabel* m_lblTarget = nullptr;
    QLabel* m_lblProgress = nullptr;
    // Steps of the running (or last) upload that went out, and of its plan.
    int m_stepsSent = 0;
    int m_steps = 0;
};

} // namespace velnor
