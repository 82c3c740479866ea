#include "widgets/ClassicLook.h"

#include "widgets/AppIcon.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStyleFactory>
#include <QWidget>

namespace velnor {

void registerWindowFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        return;
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
        const QString path = QStringLiteral("/usr/share/wine/fonts/") + QLatin1String(file);
        if (QFileInfo::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

void useWindowLook(QWidget* window)
{
    registerWindowFonts();
    window->setWindowIcon(appIcon());
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    window->setFont(tahoma);
}

void lookLikeTheDisplay(QWidget* box)
{
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(8.25);
    arial.setBold(true);
    box->setFont(arial);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QColor(0, 255, 0));
    palette.setColor(QPalette::Text, Qt::black);
    box->setPalette(palette);
}

void lookLikeTheMonitor(QWidget* line)
{
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 192));
    palette.setColor(QPalette::WindowText, QColor(0, 0, 192));
    line->setPalette(palette);
}

void useClassicStyle()
{
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
}

} // namespace velnor
