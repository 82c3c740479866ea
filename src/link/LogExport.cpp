#include "link/LogExport.h"

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

} // namespace

QString windowName(LogRow::Window window)
{
    return window == LogRow::Window::Panel ? QStringLiteral("panel")
                                           : QStringLiteral("configuration");
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

QString addressText(int address)
{
    return address < 0 ? QString() : QString::number(address);
}

QString logText(const QList<LogRow>& rows)
{
    qsizetype hexWidth = 0;
    qsizetype lineWidth = 0;
    for (const LogRow& row : rows) {
        hexWidth = std::max(hexWidth, row.bytes.size() * 3 - 1);
        lineWidth = std::max(lineWidth, row.line.size());
    }
    QString text;
    for (const LogRow& row : rows) {
        QStringList fields{formats::logTime(row.msecsSinceEpoch, formats::Moment::TimeOfDay),
                           windowName(row.window).leftJustified(13),
                           directionName(row.direction).leftJustified(8),
                           addressText(row.address).rightJustified(3),
                           formats::hex(row.bytes).leftJustified(hexWidth),
                           row.meaning};
        // A log fed without ports names no line: no empty column for it.
        if (lineWidth > 0)
            fields.insert(2, row.line.leftJustified(lineWidth));
        text += fields.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return text;
}

QString logCsv(const QList<LogRow>& rows)
{
    QString csv = QStringLiteral("time,window,line,direction,address,bytes,meaning\r\n");
    for (const LogRow& row : rows) {
        csv += QStringList{formats::logTime(row.msecsSinceEpoch),
                           windowName(row.window),
                           csvField(row.line),
                           directionName(row.direction),
                           addressText(row.address),
                           formats::hex(row.bytes),
                           csvField(row.meaning)}
                   .join(QLatin1Char(','));
        csv += QStringLiteral("\r\n");
    }
    return csv;
}

} // namespace velnor
