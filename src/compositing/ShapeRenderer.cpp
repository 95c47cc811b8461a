#include "compositing/ShapeRenderer.h"

#include <QPainter>
#include <QPen>

#include <cmath>

#include "graphics/Canvas.h"
#include "graphics/Image.h"

namespace tarnix::ShapeRenderer {

QImage circle(double d, const QColor& color, std::optional<double> lineWidth)
{
    // Larger than any output frame: refuses absurd sizes before allocating.
    constexpr double kLargest = 16384;
    if (!(d > 0) || !std::isfinite(d) || d > kLargest)
        return {};
    int side = std::max(1, int(std::ceil(d)));
    QImage image = graphics::makeImage(side, side);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF bounds = graphics::toImageRect({0, 0, d, d}, side);
    if (!lineWidth || !(*lineWidth > 0)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(bounds);
    } else {
        double w = *lineWidth;
        if (!(w < d))
            return image; // the inset circle would be empty: nothing to stroke
        QPen pen(color, w);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(bounds.adjusted(w / 2, w / 2, -w / 2, -w / 2));
    }
    return image;
}

} // namespace tarnix::ShapeRenderer
