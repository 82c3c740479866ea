#pragma once

#include "cli/ExitStatus.h"

#include <QString>
#include <QTextStream>

namespace velnor {
class IniFile;
class PortCatalog;
} // namespace velnor

namespace velnor::cli {

// `ports` as text: one line a device, with the port numbers that reach it ("-" for none),
// the device, what it is and its by-id name when it has one, in aligned columns.
QString portsText(const PortCatalog& catalog);
// `ports --json`: {"settings": file, "devices": [{"ports": [3], "device": ..., ...}]}.
QString portsJson(const PortCatalog& catalog, const QString& settingsPath);

// The whole command: looks at the system's ports and the settings file's "Ports" section
// and prints them. Sends nothing.
ExitStatus listPorts(const IniFile& settings, bool json, QTextStream& out);

} // namespace velnor::cli
