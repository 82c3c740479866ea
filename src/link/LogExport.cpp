#include "link/LogExport.h"

#include "link/TrafficLog.h"
#include "shared/Formats.h"

#include <QStringList>

#include <algorithm>

namespace velnor {

namespace {

QString csvField(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString directionName(LogRow::Direction direction)
{
    switch (direction) {
    case LogRow::Direction::Sent:
        return QStringLiteral("sent");
    case LogRow::Direction::Received:
        return QStringLiteral("received");
    case LogRow::Direction::Missing:
        return QStringLiteral("missing");
    }
    return {};
}

} // namespace

QString logField(const LogRow& row, int column)
{
    switch (column) {
    case TrafficLog::Time:
        return formats::logTime(row.msecsSinceEpoch, formats::Moment::TimeOfDay);
    case TrafficLog::Window:
        return row.window == LogRow::Window::Panel ? QStringLiteral("panel")
                                                   : QStringLiteral("configuration");
    case TrafficLog::Line:
        return row.line;
    case TrafficLog::Direction:
        return directionName(row.direction);
    case TrafficLog::Address:
        return row.address < 0 ? QString() : QString::number(row.address);
    case TrafficLog::Bytes:
        return formats::hex(row.bytes);
    case TrafficLog::Meaning:
        return row.meaning;
    default:
        return {};
    }
}

QStringList logFields(const LogRow& row)
{
    QStringList fields;
    for (int column = 0; column < TrafficLog::ColumnCount; ++column)
        fields.append(logField(row, column));
    return fields;
}

QString logText(const QList<LogRow>& rows)
{
    // The width of each column, negative where it is aligned to the right; the line and the
    // bytes take the widest of theirs.
    qsizetype widths[TrafficLog::ColumnCount] = {0, 13, 0, 8, -3, 0, 0};
    for (const LogRow& row : rows) {
        widths[TrafficLog::Line] = std::max(widths[TrafficLog::Line], row.line.size());
        widths[TrafficLog::Bytes] = std::max(widths[TrafficLog::Bytes], row.bytes.size() * 3 - 1);
    }
    QString text;
    for (const LogRow& row : rows) {
        QStringList fields = logFields(row);
        for (int i = 0; i < fields.size(); ++i) {
            fields[i] = widths[i] < 0 ? fields.at(i).rightJustified(-widths[i])
                                      : fields.at(i).leftJustified(widths[i]);
        }
        // A log fed without ports names no line: no empty column for it.
        if (widths[TrafficLog::Line] == 0)
            fields.removeAt(TrafficLog::Line);
        text += fields.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return text;
}

QString logCsv(const QList<LogRow>& rows)
{
    QString csv = QStringLiteral("time,window,line,direction,address,bytes,meaning\r\n");
    for (const LogRow& row : rows) {
        QStringList fields = logFields(row);
        fields[TrafficLog::Time] = formats::logTime(row.msecsSinceEpoch);
        for (QString& field : fields)
            field = csvField(field);
        csv += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return csv;
}

} // namespace velnor
