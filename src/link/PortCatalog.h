#pragma once

#include "link/PortDevice.h"
#include "shared/PortMap.h"

#include <QList>
#include <QMap>
#include <QString>

namespace velnor {

// The port map as it stands: port number to the device its entry names, as written there.
using PortsSection = QMap<int, QString>;

// The serial devices a user can reach, each with what the system says it is and the port
// numbers that open it: those the system lists, and those the "Ports" section names (so that
// pseudo-terminals and the emulator's link show too). A value: built once from what was
// observed, so that two observations compare equal when nothing was plugged in or out.
class PortCatalog
{
public:
    static QString defaultByIdFolder();
    // The serial ports the system lists now, with their details; the port numbers are the
    // catalog's to find, and the by-id names too where the list gives none.
    static QList<PortDevice> listedNow();
    static PortsSection mappedPorts(const PortMap& ports);

    PortCatalog() = default;
    PortCatalog(const QList<PortDevice>& listed, const PortsSection& mapped,
                const QString& byIdFolder = defaultByIdFolder());
    // The system's ports and the port map, as they are now.
    static PortCatalog observe(const PortMap& ports);

    // The devices, those that port numbers reach first, in port order, then the others by
    // name.
    const QList<PortDevice>& devices() const { return m_devices; }
    // The device port number reaches, or nullptr when nothing is there.
    const PortDevice* reaching(int number) const;
    // What port number reaches, in a few lines for a tooltip.
    QString describe(int number) const;

    // One line for a device: product, manufacturer and serial number, or what kind of device
    // it is when the system says nothing.
    static QString summary(const PortDevice& device);

    // Makes port number reach the device: writes its entry in the port map, naming the
    // device by its stable name (PortDevice::stableName), so that re-plugging it elsewhere, or
    // a link that leads elsewhere next time, keeps the number. False, with the reason in
    // *error, when the number is out of range or the file could not be written.
    static bool assign(const PortMap& ports, int number, const PortDevice& device,
                       QString* error = nullptr);

    bool operator==(const PortCatalog&) const = default;

private:
    QString named(int number) const;

    PortsSection m_mapped;
    QList<PortDevice> m_devices;
};

} // namespace velnor
