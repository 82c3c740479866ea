#pragma once

#include <QString>

namespace velnor {

class IniFile;

// Port number N (1 to 20) names a device: key N of section "Ports" of the settings file when
// present (such as 3=/dev/ttyUSB0), otherwise the platform's N-th serial port.
QString devicePathForPort(int number, const IniFile& settings);

} // namespace velnor
