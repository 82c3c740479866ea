#include "SvgIcon.h"
#include "widgets/AppIcon.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// The installed icons are the window's icon: the PNGs as the window draws it, and the SVG a
// drawing that paints the same pixels.
class TestIcon final : public QObject
{
    Q_OBJECT

private slots:
    void pngsAreTheWindowIcon_data();
    void pngsAreTheWindowIcon();
    void svgPaintsTheSameIcon();
    void svgRefusesWhatItCannotHold();
};

static const QString kTheme = QStringLiteral(VELNOR_ICON_DIR);

static QImage argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The largest difference of any channel of any pixel, or their mean.
static double difference(const QImage& a, const QImage& b, bool mean = false)
{
    if (a.size() != b.size())
        return 256;
    int worst = 0;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q),
                          qAlpha(p) - qAlpha(q)}) {
                worst = std::max(worst, std::abs(d));
                sum += std::abs(d);
            }
        }
    }
    return mean ? double(sum) / (4.0 * a.width() * a.height()) : worst;
}

// Paints an SVG document of the kind SvgIcon writes: paths of M, L, C and Z, solid fills and
// strokes.
static QImage paintSvg(const QByteArray& svg, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRegularExpression element(u"<path ([^>]*)/>"_s);
    const QRegularExpression attribute(u"([a-z-]+)=\"([^\"]*)\""_s);
    const QRegularExpression token(u"[MLCZ]|-?[0-9.]+(e-?[0-9]+)?"_s);
    for (const auto& shape : element.globalMatch(QString::fromUtf8(svg))) {
        QHash<QString, QString> at;
        for (const auto& a : attribute.globalMatch(shape.captured(1)))
            at.insert(a.captured(1), a.captured(2));
        QPainterPath path;
        path.setFillRule(at.value(u"fill-rule"_s) == u"evenodd" ? Qt::OddEvenFill
                                                                : Qt::WindingFill);
        QStringList tokens;
        for (const auto& t : token.globalMatch(at.value(u"d"_s)))
            tokens << t.captured();
        for (qsizetype i = 0; i < tokens.size();) {
            const QString command = tokens[i++];
            const auto point = [&] {
                const QPointF p(tokens[i].toDouble(), tokens[i + 1].toDouble());
                i += 2;
                return p;
            };
            if (command == u"M") {
                path.moveTo(point());
            } else if (command == u"L") {
                path.lineTo(point());
            } else if (command == u"C") {
                const QPointF c1 = point();
                const QPointF c2 = point();
                path.cubicTo(c1, c2, point());
            } else {
                path.closeSubpath();
            }
        }
        QColor fill(at.value(u"fill"_s));
        fill.setAlphaF(at.value(u"fill-opacity"_s, u"1"_s).toDouble());
        painter.setBrush(at.value(u"fill"_s) == u"none" ? QBrush() : QBrush(fill));
        if (!at.contains(u"stroke"_s)) {
            painter.setPen(Qt::NoPen);
        } else {
            const QString join = at.value(u"stroke-linejoin"_s);
            const QString cap = at.value(u"stroke-linecap"_s);
            painter.setPen(QPen(QColor(at.value(u"stroke"_s)),
                                at.value(u"stroke-width"_s).toDouble(), Qt::SolidLine,
                                cap == u"round"    ? Qt::RoundCap
                                : cap == u"square" ? Qt::SquareCap
                                                   : Qt::FlatCap,
                                join == u"round"   ? Qt::RoundJoin
                                : join == u"bevel" ? Qt::BevelJoin
                                                   : Qt::MiterJoin));
        }
        painter.drawPath(path);
    }
    return image;
}

void TestIcon::pngsAreTheWindowIcon_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

void TestIcon::pngsAreTheWindowIcon()
{
    QFETCH(int, size);
    const QString path = kTheme + u"/%1x%1/apps/velnor.png"_s.arg(size);
    const QImage installed(path);
    QVERIFY2(!installed.isNull(), qPrintable(path));
    QCOMPARE(installed.size(), QSize(size, size));
    // The window's own sizes come from its icon; the others are the same drawing, scaled.
    const QList<QSize> windowSizes = velnor::appIcon().availableSizes();
    if (windowSizes.contains(QSize(size, size))) {
        QCOMPARE(difference(argb(installed), argb(velnor::appIcon().pixmap(size).toImage())), 0.0);
    } else {
        // The same drawing at another scale: alike once both are brought to one size.
        const int common = std::min(size, 64);
        const auto at = [common](const QImage& image) {
            return argb(
                image.scaled(common, common, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        };
        const double apart =
            difference(at(installed), at(velnor::appIcon().pixmap(64).toImage()), true);
        QVERIFY2(apart < 4, qPrintable(QString::number(apart)));
    }
}

void TestIcon::svgPaintsTheSameIcon()
{
    QFile file(kTheme + u"/scalable/apps/velnor.svg"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    QVERIFY(svg.contains("viewBox=\"0 0 32 32\""));
    const QImage window = argb(velnor::appIcon().pixmap(32).toImage());
    QVERIFY2(difference(argb(paintSvg(svg, 32)), window) <= 2,
             qPrintable(QString::number(difference(argb(paintSvg(svg, 32)), window))));
}

void TestIcon::svgRefusesWhatItCannotHold()
{
    // A half-transparent rectangle with an outline, scaled; then one filled with a gradient.
    const auto draw = [](int size, bool gradient) {
        velnor::SvgIcon svg(size);
        QPainter painter(&svg);
        painter.setPen(QPen(Qt::red, 2));
        painter.setBrush(QColor(0, 0, 255, 128));
        painter.scale(2, 2);
        painter.drawRect(QRectF(1, 2, 3, 4));
        if (gradient) {
            painter.setBrush(QLinearGradient(0, 0, 1, 1));
            painter.drawRect(QRectF(0, 0, 1, 1));
        }
        painter.end();
        return svg.svg();
    };
    QVERIFY(draw(32, true).isEmpty());
    const QByteArray plain = draw(8, false);
    QVERIFY2(plain.contains("<path d=\"M2 4L8 4L8 12L2 12L2 4Z\" fill=\"#0000ff\" "
                            "fill-opacity=\"0.50"),
             plain.constData());
    QVERIFY2(plain.contains("stroke=\"#ff0000\" stroke-width=\"4\""), plain.constData());
}

QTEST_MAIN(TestIcon)
#include "tst_icon.moc"
