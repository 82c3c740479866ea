#pragma once

#include "protocol/ModuleSetup.h"

#include <QObject>
#include <QString>

#include <optional>

namespace velnor {

class ConfigLink;
class IniFile;
class MessageSink;
class Panel;
class SerialPort;

// A refused upload or save as the user is told of it: the message, where the fault is, and the
// box to mend, a bitmap box 0 to 63 or else the address list.
struct SetupRefusal
{
    QString message;
    QString detail;
    std::optional<int> bitmap;

    bool operator==(const SetupRefusal&) const = default;
};

// What the configuration window does, without its boxes: it takes every module over, uploads or
// saves the setup the boxes hold, and words the two notes under them (what an upload would do
// to the modules; how the last upload or save went). Refusals and failures are shown here.
class ConfigCommands final : public QObject
{
    Q_OBJECT
public:
    static inline const QString kSettingsNotSaved = QStringLiteral("SETTINGS NOT SAVED!");

    // Uses the panel's configuration port and link.
    ConfigCommands(Panel& panel, const IniFile& settings, QObject* parent = nullptr);

    // What an upload of setup would do to the modules, in two lines: the address and speed they
    // all take, and the start-up screen and texts it replaces, naming those it blanks.
    static QString targetNote(const ModuleSetup& setup);

    // Opens the port at the main window's list position commIndex, selects every module and
    // shows "Config. Mode" on them; gives the setup the settings file holds.
    ModuleSetup load(int commIndex);
    // Starts uploading setup; refused, nothing is sent.
    std::optional<SetupRefusal> upload(const ModuleSetup& setup);
    // Sends the store frame and writes setup to section "LCD"; refused, neither happens.
    std::optional<SetupRefusal> save(const ModuleSetup& setup);
    // Ends an upload where it stands; the port hands on what it was given and closes.
    void release();
    bool isUploading() const;

signals:
    // A box was filled out just before its step of the upload went out.
    void filled(int field, const QString& text);
    // While an upload runs the boxes hold what it was started with.
    void holdBoxes(bool held);
    // The second note: the upload's progress and end, the save's result.
    void noteChanged(const QString& text);

private:
    SetupRefusal refuse(const SetupRefusal& refusal);
    void uploadEnded(bool completed);

    SerialPort& m_mainPort;
    SerialPort& m_port;
    MessageSink& m_messages;
    const IniFile& m_settings;
    ConfigLink& m_link;
    // Steps of the running (or last) upload that went out, and of its plan.
    int m_stepsSent = 0;
    int m_steps = 0;
};

} // namespace velnor
