#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace velnor {

// What a user can do about a port that would not open, in words: join the device's group,
// close the program that holds it, or point the port number at a device that is there.
class PortAdvice
{
public:
    enum class Cause { NotPermitted, InUse, NoDevice, Other };

    struct Failure
    {
        Cause cause = Cause::Other;
        QString device;       // as the settings or the command line name it
        int port = 0;         // the port number that named it; 0 when named directly
        QString settingsPath; // where the "Ports" section lives
    };

    struct Holder
    {
        qint64 pid = 0;
        QString name;
    };

    // What the system tells about the device.
    struct Facts
    {
        bool exists = false;
        QString group;
        // The device's group may read and write it, so that joining the group lets a user in.
        bool groupMayUse = false;
        QString owner;
        // Other processes that have it open, among those this user may look into; the one
        // that provides a pseudo-terminal (holding its far end) is not its user and is left out.
        QList<Holder> holders;
        // This program holds it already: its configuration window has the port.
        bool heldHere = false;
        // Serial adapters present, to suggest for a port.
        QStringList adapters;
        // A missing device under /dev whose bare name is a file in the current folder: how to
        // name that file instead (./emu1).
        QString inCurrentFolder;
    };

    static Cause causeOf(int errnum);
    static Cause causeOf(QSerialPort::SerialPortError error);

    // Looks at the device, the processes and the adapters present.
    static Facts observe(const QString& device);
    // The advice, one sentence a line; empty when there is nothing to add to the reason.
    static QString text(const Failure& failure, const Facts& facts);
    static QString text(const Failure& failure) { return text(failure, observe(failure.device)); }
};

} // namespace velnor
