#include "cli/PortsReport.h"

#include "cli/Numbers.h"
#include "shared/Formats.h"
#include "link/PortCatalog.h"
#include "settings/IniFile.h"
#include "settings/StartupSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

QString portsOf(const PortDevice& device)
{
    return device.ports.isEmpty() ? u"-"_s : formats::numbers(device.ports, u",");
}

} // namespace

QString portsText(const PortCatalog& catalog)
{
    qsizetype portWidth = 0;
    qsizetype deviceWidth = 0;
    qsizetype summaryWidth = 0;
    for (const PortDevice& device : catalog.devices()) {
        portWidth = std::max(portWidth, portsOf(device).size());
        deviceWidth = std::max(deviceWidth, device.device.size());
        summaryWidth = std::max(summaryWidth, PortCatalog::summary(device).size());
    }
    QString text;
    for (const PortDevice& device : catalog.devices()) {
        const QString summary = PortCatalog::summary(device);
        text +=
            portsOf(device).leftJustified(portWidth) + u"  "_s +
            device.device.leftJustified(deviceWidth) + u"  "_s +
            (device.byId.isEmpty() ? summary
                                   : summary.leftJustified(summaryWidth) + u"  "_s + device.byId) +
            u'\n';
    }
    return text;
}

QString portsJson(const PortCatalog& catalog, const QString& settingsPath)
{
    QJsonArray devices;
    for (const PortDevice& device : catalog.devices()) {
        devices.append(QJsonObject{
            {u"ports"_s, jsonArray(device.ports)},
            {u"device"_s, device.device},
            {u"description"_s, device.description},
            {u"manufacturer"_s, device.manufacturer},
            {u"serialNumber"_s, device.serialNumber},
            {u"byId"_s, device.byId},
            {u"listed"_s, device.listed},
            {u"present"_s, device.present},
        });
    }
    const QJsonObject all{{u"settings"_s, settingsPath}, {u"devices"_s, devices}};
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)) + u'\n';
}

ExitStatus listPorts(const IniFile& settings, bool json, QTextStream& out)
{
    const PortCatalog catalog = PortCatalog::observe(portMapOf(settings));
    out << (json ? portsJson(catalog, settings.path()) : portsText(catalog));
    out.flush();
    return ExitStatus::Ok;
}

} // namespace velnor::cli
