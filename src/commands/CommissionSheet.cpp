#include "commands/CommissionSheet.h"

#include "shared/Formats.h"

#include "shared/Wire.h"

#include <QRegularExpression>

namespace velnor {

std::variant<QList<quint8>, QString> CommissionSheet::parseAddresses(const QString& text)
{
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d+)\\s*(?:-\\s*(\\d+)\\s*)?$"));
    QList<quint8> addresses;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        if (part.trimmed().isEmpty())
            continue;
        const QRegularExpressionMatch match = item.match(part);
        const int first = match.captured(1).toInt();
        const int last = match.hasCaptured(2) ? match.captured(2).toInt() : first;
        if (!match.hasMatch() || first < wire::FirstAddress || last > wire::LastAddress ||
            last < first)
            return QStringLiteral("\"%1\" is no address from %2 to %3, nor a range such as "
                                  "101-108")
                .arg(part.trimmed())
                .arg(wire::FirstAddress)
                .arg(wire::LastAddress);
        for (int address = first; address <= last; ++address) {
            if (addresses.contains(quint8(address)))
                return QStringLiteral("%1 is given twice").arg(address);
            addresses.append(quint8(address));
        }
    }
    if (addresses.isEmpty())
        return QStringLiteral("no address given: a list such as 101, 102 or a range such as "
                              "101-108");
    return addresses;
}

void CommissionSheet::start(const QList<quint8>& addresses)
{
    m_addresses = addresses;
    m_at = 0;
}

std::optional<quint8> CommissionSheet::current() const
{
    if (m_at >= m_addresses.size())
        return std::nullopt;
    return m_addresses.at(m_at);
}

void CommissionSheet::advance()
{
    if (m_at < m_addresses.size())
        ++m_at;
}

bool CommissionSheet::given(quint8 address) const
{
    // A module stored with it takes it once switched off and on, checked or not.
    return std::any_of(m_rows.begin(), m_rows.end(),
                       [address](const auto& row) { return row.address == address; });
}

void CommissionSheet::record(const Commissioning::Result& result)
{
    for (Commissioning::Result& row : m_rows) {
        if (row.address == result.address && !row.checked) {
            row = result;
            return;
        }
    }
    m_rows.append(result);
}

QString CommissionSheet::csv() const
{
    QString text = QStringLiteral("address,speed,time,checked,inputs,found at\r\n");
    for (const Commissioning::Result& row : m_rows)
        text += QStringLiteral("%1,%2,%3,%4,%5,%6 at %7\r\n")
                    .arg(row.address)
                    .arg(row.baud)
                    .arg(formats::logTime(row.time.toMSecsSinceEpoch()),
                         row.checked ? QStringLiteral("yes") : QStringLiteral("no"),
                         row.inputs ? Commissioning::inputsText(*row.inputs) : QString())
                    .arg(row.oldAddress)
                    .arg(row.oldBaud);
    return text;
}

} // namespace velnor
