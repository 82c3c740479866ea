#pragma once

#include <QList>
#include <QString>

namespace velnor {

// One serial device as the user would recognise it: where it is, what the system says it is,
// and which port numbers reach it.
struct PortDevice
{
    // The device file itself, with links followed (/dev/ttyUSB0, /dev/pts/3).
    QString device;
    // For a USB adapter its product name; otherwise what the driver says, if anything.
    QString description;
    QString manufacturer;
    QString serialNumber;
    // Its name under /dev/serial/by-id/, which stays the same when it is plugged in again.
    QString byId;
    // The name the settings file's "Ports" section gives it, as written there: often a link
    // that stays the same while the device behind it changes (an emulator's terminal).
    QString mapped;
    // The system lists it as a serial port; false for one named only in the settings file,
    // such as a pseudo-terminal of the emulator.
    bool listed = true;
    // The device file is there now; false for a settings entry whose adapter is unplugged.
    bool present = true;
    // The port numbers (1 to 20) that open it, ascending.
    QList<int> ports;

    // The name a port number should keep for it: the by-id name when it has one, else the name
    // the settings already give it, else the device itself.
    QString stableName() const
    {
        if (!byId.isEmpty())
            return byId;
        return mapped.isEmpty() ? device : mapped;
    }

    bool operator==(const PortDevice&) const = default;
};

} // namespace velnor
