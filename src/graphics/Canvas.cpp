#include "graphics/Canvas.h"

#include "graphics/ImageScaler.h"

namespace tarnix::graphics {

QRectF toImageRect(const Rect& r, double height)
{
    return QRectF(r.x, height - r.y - r.height, r.width, r.height);
}

QPointF toImagePoint(const Point& p, double height)
{
    return QPointF(p.x, height - p.y);
}

Canvas::Canvas(QImage& target)
    : target_(target)
    , painter_(&target)
{
    painter_.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
}

QRectF Canvas::toImageRect(const Rect& canvasRect) const
{
    return graphics::toImageRect(canvasRect, target_.height());
}

QPointF Canvas::toImagePoint(const Point& canvasPoint) const
{
    return graphics::toImagePoint(canvasPoint, target_.height());
}

void Canvas::drawImage(const Rect& target, const QImage& source, const QRectF& sourceRect,
                       QPainter::CompositionMode mode)
{
    if (source.isNull() || !(target.width > 0) || !(target.height > 0) || sourceRect.isEmpty())
        return;
    // Replacing pixels is the common large case (a whole frame): the scaler does it in one pass.
    if (mode == QPainter::CompositionMode_Source &&
        scaleInto(target_, toImageRect(target), source, sourceRect))
        return;
    painter_.setCompositionMode(mode);
    painter_.drawImage(toImageRect(target), source, sourceRect);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Canvas::drawImage(const Rect& target, const QImage& source)
{
    drawImage(target, source, QRectF(0, 0, source.width(), source.height()));
}

void Canvas::drawSlice(const Rect& target, const ImageSlice& slice, QPainter::CompositionMode mode)
{
    drawImage(target, slice.image, slice.sourceRect, mode);
}

} // namespace tarnix::graphics
