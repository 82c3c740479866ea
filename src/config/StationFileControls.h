#pragma once

#include "protocol/ModuleSetup.h"

#include <QObject>
#include <QString>

class QPushButton;
class QToolButton;
class QWidget;

namespace velnor {

class ConfigBoxes;
class IniFile;
class MessageSink;

// The configuration window's station files: "Open..." (its arrow lists the files opened last)
// and "Save As..." keep a setup in a file of its own. The window's title names the file and,
// with a mark, says the boxes changed since it was opened or saved; each changed box is shown
// in bold. A refused file leaves every box as it was and says which file and key. The window
// still loads from, and saves to, the settings file as before.
class StationFileControls final : public QObject
{
    Q_OBJECT
public:
    StationFileControls(ConfigBoxes& boxes, QWidget& window, const IniFile& settings,
                        MessageSink& messages);

    // The boxes as loaded from the settings file: nothing counts as changed.
    void startFrom(const ModuleSetup& loaded);
    // True when the file was read into the boxes.
    bool openFile(const QString& path);
    // True when the boxes were written to the file.
    bool saveFile(const QString& path);
    // An upload holds them as it holds the boxes.
    void setHeld(bool held);
    const QString& path() const { return m_path; }

private:
    void chooseToOpen();
    void chooseToSave();
    void listRecent();
    void markChanges();
    void remember(const QString& path, const ModuleSetup& setup);

    ConfigBoxes& m_boxes;
    QWidget& m_window;
    const IniFile& m_settings;
    MessageSink& m_messages;
    QToolButton* m_open;
    QPushButton* m_save;
    QString m_path;
    ModuleSetup m_base;
};

} // namespace velnor
