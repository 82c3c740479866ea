#pragma once

#include "link/LogRow.h"

#include <QList>
#include <QString>

namespace velnor {

// The traffic log's words for its columns, as the window and the saved files show them.
QString windowName(LogRow::Window window);
QString directionName(LogRow::Direction direction);
QString addressText(int address);

// Rows as text, one line each with aligned columns, for reading and for the clipboard.
QString logText(const QList<LogRow>& rows);
// Rows as comma-separated values with a header line, for a spreadsheet; the date is in the
// time column so that a file kept for days still sorts.
QString logCsv(const QList<LogRow>& rows);

} // namespace velnor
