#pragma once

// The configuration window: edits what a module keeps in its non-volatile memory. It is
// modeless, and a closed one is made afresh the next time it is asked for.

#include <QWidget>

namespace velnor {

class frmConfigLcd final : public QWidget
{
    Q_OBJECT
public:
    explicit frmConfigLcd(QWidget* parent = nullptr);
};

} // namespace velnor
