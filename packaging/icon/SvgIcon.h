#pragma once

#include <QByteArray>
#include <QPaintDevice>

#include <memory>

namespace velnor {

// A paint device that keeps what is painted on it as an SVG document, for drawings made of
// filled and outlined shapes in solid colours (paths, rectangles, polygons). Anything else
// painted on it (text, images, gradients) makes it unusable, rather than silently missing.
class SvgIcon final : public QPaintDevice
{
public:
    // The drawing's own size, in the painter's units.
    explicit SvgIcon(int size);
    ~SvgIcon() override;

    QPaintEngine* paintEngine() const override;
    // The document, or empty when something was painted that it cannot hold.
    QByteArray svg() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int m_size;
    std::unique_ptr<QPaintEngine> m_engine;
};

} // namespace velnor
