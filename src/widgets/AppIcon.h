#pragma once

#include <QIcon>

namespace velnor {

// The program's icon, drawn rather than shipped: a small green two-row display module.
QIcon appIcon();

} // namespace velnor
