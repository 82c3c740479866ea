#include "SvgIcon.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <climits>
#include <cmath>

namespace velnor {

namespace {

QByteArray number(qreal value)
{
    return QByteArray::number(qFuzzyIsNull(value) ? 0.0 : value, 'g', 6);
}

QByteArray pathData(const QPainterPath& path)
{
    QByteArray data;
    QPointF start;
    QPointF last;
    // A figure that ends where it began is closed, so that its first corner is joined too.
    const auto close = [&] {
        if (!data.isEmpty() && last == start)
            data += 'Z';
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QByteArray point = number(e.x) + ' ' + number(e.y);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            close();
            data += "M" + point;
            start = e;
            break;
        case QPainterPath::LineToElement:
            data += "L" + point;
            break;
        case QPainterPath::CurveToElement:
            data += "C" + point;
            break;
        case QPainterPath::CurveToDataElement:
            data += ' ' + point;
            break;
        }
        last = e;
    }
    close();
    return data;
}

QByteArray colour(const char* attribute, const QColor& colour)
{
    QByteArray text = ' ' + QByteArray(attribute) + "=\"" + colour.name().toLatin1() + '"';
    if (colour.alpha() != 255)
        text += ' ' + QByteArray(attribute) + "-opacity=\"" + number(colour.alphaF()) + '"';
    return text;
}

class SvgEngine final : public QPaintEngine
{
public:
    SvgEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& changed) override
    {
        if (changed.state() & DirtyPen)
            m_pen = changed.pen();
        if (changed.state() & DirtyBrush)
            m_brush = changed.brush();
        if (changed.state() & DirtyTransform)
            m_transform = changed.transform();
        if (changed.state() & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled))
            m_unusable = m_unusable || changed.isClipEnabled();
    }

    void drawPath(const QPainterPath& path) override { shape(path, true); }

    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            QPainterPath path;
            path.addRect(rects[i]);
            shape(path, true);
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        QPainterPath path;
        path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode != PolylineMode)
            path.closeSubpath();
        shape(path, mode != PolylineMode);
    }

    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { m_unusable = true; }
    void drawTextItem(const QPointF&, const QTextItem&) override { m_unusable = true; }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override
    {
        m_unusable = true;
    }

    QByteArray m_body;
    bool m_unusable = false;

private:
    void shape(const QPainterPath& path, bool filled)
    {
        QByteArray element = "  <path d=\"" + pathData(m_transform.map(path)) + '"';
        if (filled && m_brush.style() == Qt::SolidPattern) {
            element += colour("fill", m_brush.color());
            if (path.fillRule() == Qt::OddEvenFill)
                element += " fill-rule=\"evenodd\"";
        } else {
            element += " fill=\"none\"";
            m_unusable = m_unusable || (filled && m_brush.style() != Qt::NoBrush);
        }
        if (m_pen.style() == Qt::SolidLine) {
            // A cosmetic pen keeps its width whatever the scale; others scale with the shape.
            const qreal scale =
                m_pen.isCosmetic() ? 1.0 : std::sqrt(std::abs(m_transform.determinant()));
            element += colour("stroke", m_pen.color()) + " stroke-width=\"" +
                       number(m_pen.widthF() * scale) + '"';
            element += m_pen.joinStyle() == Qt::RoundJoin   ? " stroke-linejoin=\"round\""
                       : m_pen.joinStyle() == Qt::BevelJoin ? " stroke-linejoin=\"bevel\""
                                                            : " stroke-linejoin=\"miter\"";
            element += m_pen.capStyle() == Qt::RoundCap    ? " stroke-linecap=\"round\""
                       : m_pen.capStyle() == Qt::SquareCap ? " stroke-linecap=\"square\""
                                                           : " stroke-linecap=\"butt\"";
        } else {
            m_unusable = m_unusable || m_pen.style() != Qt::NoPen;
        }
        m_body += element + "/>\n";
    }

    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
};

} // namespace

SvgIcon::SvgIcon(int size) : m_size(size), m_engine(std::make_unique<SvgEngine>()) {}

SvgIcon::~SvgIcon() = default;

QPaintEngine* SvgIcon::paintEngine() const
{
    return m_engine.get();
}

QByteArray SvgIcon::svg() const
{
    const auto* engine = static_cast<const SvgEngine*>(m_engine.get());
    if (engine->m_unusable)
        return {};
    const QByteArray size = QByteArray::number(m_size);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           size + "\" height=\"" + size + "\" viewBox=\"0 0 " + size + ' ' + size + "\">\n" +
           engine->m_body + "</svg>\n";
}

int SvgIcon::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
    case PdmHeight:
        return m_size;
    case PdmWidthMM:
    case PdmHeightMM:
        return qRound(m_size * 25.4 / 96);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

} // namespace velnor
