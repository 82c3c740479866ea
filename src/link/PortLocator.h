#pragma once

#include "shared/PortMap.h"

#include <QString>

namespace velnor {

// A device named as a path: a bare name (ttyUSB0) is taken to be under /dev.
QString absoluteDevicePath(const QString& name);

// What port number N opens when the settings name no device for it: the platform's N-th
// serial port.
QString platformDevice(int number);

// Port number N (1 to 20) names a device: its entry in the port map when there is one (such as
// 3=/dev/ttyUSB0), otherwise the platform's N-th serial port.
QString devicePathForPort(const PortMap& ports, int number);

} // namespace velnor
