#include "config/frmConfigLcd.h"

namespace velnor {

namespace {
constexpr int kClientWidth = 680;
constexpr int kClientHeight = 435;
} // namespace

frmConfigLcd::frmConfigLcd(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmConfigLcd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Configure Velnor"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    setFont(tahoma);
    setFixedSize(kClientWidth, kClientHeight);
}

} // namespace velnor
