#include "studio/handles/HandleRules.h"

#include <algorithm>

#include "compositing/TextRenderer.h"

namespace tarnix::HandleRules {

namespace {

bool hasArea(QSizeF container)
{
    return container.width() > 0 && container.height() > 0;
}

double hold(double value, double low, double high)
{
    if (value < low)
        value = low;
    if (value > high)
        value = high;
    return value;
}

} // namespace

QRectF cameraFrame(const CameraOverlaySettings& settings, QSizeF container)
{
    double d = container.width() * settings.sizeFraction;
    QPointF centre(settings.position.x * container.width(), settings.position.y * container.height());
    return {centre.x() - d / 2, centre.y() - d / 2, d, d};
}

std::optional<Point> draggedCameraPosition(Point start, QPointF translation, QSizeF container,
                                           double sizeFraction)
{
    if (!hasArea(container))
        return std::nullopt;
    double half = sizeFraction / 2;
    double x = start.x + translation.x() / container.width();
    double y = start.y + translation.y() / container.height();
    return Point{hold(x, half, 1 - half), hold(y, half, 1 - half)};
}

QRectF redactFrame(const Rect& rect, QSizeF container)
{
    double w = std::max(rect.width * container.width(), kMinRedactHandleSize);
    double h = std::max(rect.height * container.height(), kMinRedactHandleSize);
    return {rect.x * container.width(), rect.y * container.height(), w, h};
}

std::optional<Point> draggedRedactOrigin(Point start, QPointF translation, QSizeF container,
                                         const Rect& rect)
{
    if (!hasArea(container))
        return std::nullopt;
    double x = hold(start.x + translation.x() / container.width(), 0, 1 - rect.width);
    double y = hold(start.y + translation.y() / container.height(), 0, 1 - rect.height);
    return Point{x, y};
}

QRectF textFrame(const TextRegion& box, QSizeF container)
{
    const Rect r = TextRenderer::boxRect(box, container);
    const QRectF frame(r.x * container.width(), r.y * container.height(), r.width * container.width(),
                       r.height * container.height());
    if (frame.width() >= 16 && frame.height() >= 16)
        return frame;
    return {box.position.x * container.width() - 12, box.position.y * container.height() - 12, 24, 24};
}

std::optional<Point> draggedTextPosition(Point start, QPointF translation, QSizeF container)
{
    if (!hasArea(container))
        return std::nullopt;
    return Point{hold(start.x + translation.x() / container.width(), 0, 1),
                 hold(start.y + translation.y() / container.height(), 0, 1)};
}

} // namespace tarnix::HandleRules
