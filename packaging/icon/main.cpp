#include "SvgIcon.h"
#include "widgets/AppIcon.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>

// velnor-icon FOLDER SIZE...: draws the window icon into FOLDER/hicolor/SIZExSIZE/apps/velnor.png
// for each size and FOLDER/hicolor/scalable/apps/velnor.svg, the icon theme's layout.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() < 2) {
        std::fputs("usage: velnor-icon FOLDER SIZE...\n", stderr);
        return 2;
    }
    const QDir theme(arguments.first() + QStringLiteral("/hicolor"));
    const auto write = [&](const QString& folder, const QByteArray& bytes) {
        const QString type =
            bytes.startsWith("<?xml") ? QStringLiteral("svg") : QStringLiteral("png");
        const QString path = theme.filePath(folder + QStringLiteral("/apps/velnor.") + type);
        QFile file(path);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "velnor-icon: %s: %s\n", qPrintable(path),
                         qPrintable(file.errorString()));
            return false;
        }
        return true;
    };

    for (const QString& argument : arguments.mid(1)) {
        const int size = argument.toInt();
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "velnor-icon: %s is no icon size\n", qPrintable(argument));
            return 2;
        }
        // As the window draws it: antialiased, scaled from its 32 x 32 drawing.
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        velnor::paintAppIcon(painter);
        painter.end();
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!image.save(&buffer, "PNG"))
                return 1;
        }
        if (!write(QStringLiteral("%1x%1").arg(size), png))
            return 1;
    }

    velnor::SvgIcon svg(32);
    QPainter painter(&svg);
    velnor::paintAppIcon(painter);
    painter.end();
    if (svg.svg().isEmpty()) {
        std::fputs("velnor-icon: the icon draws something an SVG file cannot hold\n", stderr);
        return 1;
    }
    return write(QStringLiteral("scalable"), svg.svg()) ? 0 : 1;
}
