#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velnor {

// The panel's command line, read and answered before anything needs a display: help, the
// version and a wrong option work where there is none, and --check runs off screen whatever
// platform the environment names.
struct PanelOptions
{
    enum class Action { Run, Help, Version, Wrong };
    Action action = Action::Run;
    QString text; // the help, the version or what is wrong
    QString settings;
    bool check = false;

    // The program's arguments, its name first. Qt's own options (-platform, -style, ...) are
    // left for the application object and are not wrong here.
    static PanelOptions parse(const QStringList& arguments);
    // Help and version on standard output, a wrong command line on standard error: the exit
    // status, or nothing when the program goes on.
    std::optional<int> answer() const;
};

} // namespace velnor
