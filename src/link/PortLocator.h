#pragma once

#include <QString>

#include <functional>

namespace velnor {

class IniFile;

// A device named as a path: a bare name (ttyUSB0) is taken to be under /dev.
QString absoluteDevicePath(const QString& name);

// What port number N opens when the settings name no device for it: the platform's N-th
// serial port.
QString platformDevice(int number);

// Port number N (1 to 20) names a device: key N of section "Ports" of the settings file when
// present (such as 3=/dev/ttyUSB0), otherwise the platform's N-th serial port.
QString devicePathForPort(int number, const IniFile& settings);

// Where port numbers lead, as the serial port needs it: the device for a number, looked up at
// every opening so that an entry edited while the program runs is used, and the file a user
// edits to change that, for the advice on a failed opening.
struct PortMap
{
    std::function<QString(int number)> devicePathForPort;
    QString file;
};
PortMap portMapOf(const IniFile& settings);

} // namespace velnor
