#pragma once

#include <QIcon>

class QPainter;

namespace velnor {

// The program's icon, drawn rather than shipped: a small green two-row display module.
QIcon appIcon();
// The same drawing on any painter, in a 32 x 32 square at its origin (scale it for other
// sizes): the installed icons are made from it, so the menu shows what the window shows.
void paintAppIcon(QPainter& painter);

} // namespace velnor
