#include "link/PortCatalog.h"

#include "link/PortLocator.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace velnor {

namespace {

const QString kSection = QStringLiteral("Ports");

// The device file a name leads to, links followed; the name itself when nothing is there.
QString deviceFile(const QString& name)
{
#ifdef Q_OS_UNIX
    const QString absolute = absoluteDevicePath(name);
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    return canonical.isEmpty() ? absolute : canonical;
#else
    return name;
#endif
}

bool exists(const QString& name)
{
#ifdef Q_OS_UNIX
    return QFileInfo::exists(deviceFile(name));
#else
    return !QSerialPortInfo(name).isNull();
#endif
}

// The by-id links, by the device file each leads to. Where two lead to one device the first
// by name wins, so that the choice does not change from one look to the next.
QHash<QString, QString> byIdNames(const QString& folder)
{
    QHash<QString, QString> names;
    const QDir dir(folder);
    const QStringList links =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& link : links) {
        const QString path = dir.filePath(link);
        const QString target = QFileInfo(path).canonicalFilePath();
        if (!target.isEmpty() && !names.contains(target))
            names.insert(target, path);
    }
    return names;
}

// ttyS2 before ttyS10: names compared by their text, then by the number they end in.
bool naturalLess(const QString& a, const QString& b)
{
    const auto split = [](const QString& s) {
        qsizetype i = s.size();
        while (i > 0 && s.at(i - 1).isDigit())
            --i;
        return std::pair{s.left(i), s.mid(i).toLongLong()};
    };
    return split(a) < split(b);
}

} // namespace

QString PortCatalog::defaultByIdFolder()
{
    return QStringLiteral("/dev/serial/by-id");
}

QList<PortDevice> PortCatalog::listedNow()
{
    QList<PortDevice> listed;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        PortDevice device;
        device.device = info.systemLocation();
        device.description = info.description();
        device.manufacturer = info.manufacturer();
        device.serialNumber = info.serialNumber();
        listed.append(device);
    }
    return listed;
}

PortsSection PortCatalog::mappedPorts(const IniFile& settings)
{
    PortsSection mapped;
    for (int number = 1; number <= StartupSettings::kPorts; ++number) {
        const QString device = settings.read(kSection, QString::number(number));
        if (!device.isEmpty())
            mapped.insert(number, device);
    }
    return mapped;
}

PortCatalog::PortCatalog(const QList<PortDevice>& listed, const PortsSection& mapped,
                         const QString& byIdFolder)
    : m_mapped(mapped)
{
    const QHash<QString, QString> byId = byIdNames(byIdFolder);
    for (PortDevice device : listed) {
        device.device = deviceFile(device.device);
        // A name the list already gives is kept where the folder has none.
        device.byId = byId.value(device.device, device.byId);
        device.listed = true;
        device.present = true;
        device.mapped.clear();
        device.ports.clear();
        m_devices.append(device);
    }
    const auto find = [this](const QString& file) {
        return std::find_if(m_devices.begin(), m_devices.end(),
                            [&file](const PortDevice& d) { return d.device == file; });
    };
    for (int number = 1; number <= StartupSettings::kPorts; ++number) {
        const QString name = named(number);
        const QString file = deviceFile(name);
        auto it = find(file);
        if (it == m_devices.end()) {
            // Only a device the settings name is worth showing when the system does not list
            // it; the platform's own names for ports that are not there are not.
            if (!m_mapped.contains(number))
                continue;
            PortDevice device;
            device.device = file;
            device.listed = false;
            device.present = exists(name);
            device.byId = byId.value(file);
            if (device.byId.isEmpty() &&
                QFileInfo(name).absolutePath() == QDir::cleanPath(byIdFolder))
                device.byId = name;
            m_devices.append(device);
            it = m_devices.end() - 1;
        }
        // The first name the settings give it is the one kept.
        if (m_mapped.contains(number) && it->mapped.isEmpty())
            it->mapped = name;
        it->ports.append(number);
    }
    std::stable_sort(m_devices.begin(), m_devices.end(),
                     [](const PortDevice& a, const PortDevice& b) {
                         if (a.ports.isEmpty() != b.ports.isEmpty())
                             return b.ports.isEmpty();
                         if (!a.ports.isEmpty() && a.ports.first() != b.ports.first())
                             return a.ports.first() < b.ports.first();
                         return naturalLess(a.device, b.device);
                     });
}

PortCatalog PortCatalog::observe(const IniFile& settings)
{
    return PortCatalog(listedNow(), mappedPorts(settings));
}

QString PortCatalog::named(int number) const
{
    return m_mapped.value(number, platformDevice(number));
}

const PortDevice* PortCatalog::reaching(int number) const
{
    for (const PortDevice& device : m_devices) {
        if (device.ports.contains(number))
            return &device;
    }
    return nullptr;
}

QString PortCatalog::summary(const PortDevice& device)
{
    if (!device.present)
        return QStringLiteral("not there now");
    QStringList details;
    if (!device.manufacturer.isEmpty())
        details << device.manufacturer;
    if (!device.serialNumber.isEmpty())
        details << QStringLiteral("serial number %1").arg(device.serialNumber);
    QString product = device.description;
    if (product.isEmpty()) {
        if (device.device.startsWith(QLatin1String("/dev/pts/")))
            product = QStringLiteral("pseudo-terminal");
        else
            product = device.listed ? QStringLiteral("serial port")
                                    : QStringLiteral("not listed as a serial port");
    }
    if (details.isEmpty())
        return product;
    return QStringLiteral("%1 (%2)").arg(product, details.join(QStringLiteral(", ")));
}

QString PortCatalog::describe(int number) const
{
    const QString name = named(number);
    const PortDevice* device = reaching(number);
    if (!device && exists(name)) {
        return QStringLiteral("Port %1: %2, which the system does not list as a serial port")
            .arg(number)
            .arg(name);
    }
    if (!device || !device->present)
        return QStringLiteral("Port %1: %2, which is not there").arg(number).arg(name);
    QStringList lines;
    lines << (deviceFile(name) == name ? QStringLiteral("Port %1: %2").arg(number).arg(name)
                                       : QStringLiteral("Port %1: %2, which is %3")
                                             .arg(number)
                                             .arg(name, device->device));
    lines << summary(*device);
    if (!device->byId.isEmpty() && device->byId != name)
        lines << device->byId;
    return lines.join(u'\n');
}

bool PortCatalog::assign(const IniFile& settings, int number, const PortDevice& device,
                         QString* error)
{
    if (number < 1 || number > StartupSettings::kPorts) {
        if (error)
            *error = QStringLiteral("There is no port %1; ports are 1 to %2.")
                         .arg(number)
                         .arg(StartupSettings::kPorts);
        return false;
    }
    return settings.write(kSection, QString::number(number), device.stableName(), error);
}

} // namespace velnor
