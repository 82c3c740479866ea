#include "cli/ScanReport.h"

#include "cli/Numbers.h"
#include "shared/Formats.h"
#include "link/ScanResult.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace velnor::cli {

QString scanText(const ScanResult& result)
{
    const bool several = result.speeds().size() > 1;
    QString text;
    for (quint8 address : result.addresses(Reply::Answered)) {
        text += QString::number(address);
        if (several)
            text += u' ' + formats::numbers(result.answeringSpeeds(address), u" ");
        text += u'\n';
    }
    return text;
}

QString scanJson(const ScanResult& result)
{
    QJsonArray speeds;
    for (int baud : result.speeds()) {
        speeds.append(QJsonObject{
            {u"baud"_s, baud},
            {u"answering"_s, jsonArray(result.addressesAt(baud, Reply::Answered))},
            {u"garbled"_s, jsonArray(result.addressesAt(baud, Reply::Garbled))},
        });
    }
    const QJsonObject all{
        {u"answering"_s, jsonArray(result.addresses(Reply::Answered))},
        {u"garbled"_s, jsonArray(result.addresses(Reply::Garbled))},
        {u"silent"_s, jsonArray(result.addresses(Reply::Silent))},
        {u"speeds"_s, speeds},
    };
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)) + u'\n';
}

ExitStatus scanStatus(const ScanResult& result)
{
    return result.anyAnswered() ? ExitStatus::Ok : ExitStatus::NoAnswer;
}

} // namespace velnor::cli
