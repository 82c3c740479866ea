#pragma once

#include "link/LogRow.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace velnor {

// A field of a row in the log's columns (TrafficLog::Column), as the window shows it: the time
// of day, the window, the line, the direction, the address, the bytes in hex or the meaning.
QString logField(const LogRow& row, int column);
// All of them, in that order.
QStringList logFields(const LogRow& row);

// Rows as text, one line each with aligned columns, for reading and for the clipboard.
QString logText(const QList<LogRow>& rows);
// Rows as comma-separated values with a header line, for a spreadsheet; the date is in the
// time column so that a file kept for days still sorts.
QString logCsv(const QList<LogRow>& rows);

} // namespace velnor
