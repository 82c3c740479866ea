#pragma once

// The configuration window: edits what a module keeps in its non-volatile memory. What it edits
// lives in its boxes (ConfigBoxes); a ModuleSetup is read from them for an upload or a save and
// written into them at load. What the clicks do is ConfigCommands', which only ever sends,
// through the window's own port and 200 ms tick: at load it selects every module and shows
// "Config. Mode" on them; an upload walks the upload plan; a save sends the store frame and
// writes the boxes to section "LCD" of the settings file. The window maps what comes back to
// the focus, the held boxes and two lines under the boxes: what an upload would do to the
// modules, kept current as the boxes change, and how the last upload or save went. Closing it
// (or Escape) ends an upload where it stands and releases the port.

#include "commands/ConfigCommands.h"
#include "config/ConfigBoxes.h"
#include "config/StationFileControls.h"
#include "protocol/ModuleSetup.h"

#include <QWidget>

namespace velnor {

class IniFile;
class Panel;
class ClickGate;

class ConfigWindow final : public QWidget
{
    Q_OBJECT
public:
    // Uses the panel's configuration port and tick. commIndex is the main window's port list
    // position, which this window's port follows.
    ConfigWindow(Panel& panel, const IniFile& settings, int commIndex, QWidget* parent = nullptr);
    ~ConfigWindow() override;

    void upload();
    void save();

    // The boxes as they stand now.
    ModuleSetup setup() const { return m_boxes.setup(); }
    bool isUploading() const { return m_commands.isUploading(); }
    StationFileControls& stationFiles() { return m_files; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void connectSignals();
    void mend(const std::optional<SetupRefusal>& refusal);
    void showTarget();

    ConfigBoxes m_boxes;
    ConfigCommands m_commands;
    StationFileControls m_files;
    ClickGate* m_gate;
};

} // namespace velnor
