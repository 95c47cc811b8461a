#include "recorder/AreaSelection.h"

#include <algorithm>

#include "capture/CaptureSource.h"

namespace tarnix {

namespace {
// A press that moves less than this is a click, not the start of a new rectangle.
constexpr int kDragThreshold = 4;
} // namespace

AreaSelection::AreaSelection(QSize display, std::optional<QRect> initial, qreal pixelsPerPoint)
    : bounds_(QPoint(0, 0), display)
    , pixelsPerPoint_(pixelsPerPoint)
{
    if (initial && bounds_.intersects(*initial))
        rect_ = *initial & bounds_;
}

QPoint AreaSelection::clamped(QPoint point) const
{
    return {std::clamp(point.x(), 0, bounds_.width()), std::clamp(point.y(), 0, bounds_.height())};
}

void AreaSelection::press(QPoint point)
{
    anchor_ = clamped(point);
    if (rect_ && rect_->contains(point)) {
        gesture_ = Gesture::moving;
        rectAtPress_ = *rect_;
    } else {
        gesture_ = Gesture::drawing;
    }
}

void AreaSelection::drag(QPoint point)
{
    const QPoint to = clamped(point);
    if (gesture_ == Gesture::moving) {
        QRect moved = rectAtPress_.translated(to - anchor_);
        // Slides along the display's edges rather than leaving it.
        moved.moveLeft(std::clamp(moved.left(), 0, bounds_.width() - moved.width()));
        moved.moveTop(std::clamp(moved.top(), 0, bounds_.height() - moved.height()));
        rect_ = moved;
    } else if (gesture_ == Gesture::drawing && (to - anchor_).manhattanLength() >= kDragThreshold) {
        // Corners are between pixels: the rectangle runs from one to the other.
        rect_ = QRect(QPoint(std::min(anchor_.x(), to.x()), std::min(anchor_.y(), to.y())),
                      QSize(std::abs(to.x() - anchor_.x()), std::abs(to.y() - anchor_.y())));
    }
}

void AreaSelection::release(QPoint point)
{
    drag(point);
    gesture_ = Gesture::none;
}

std::optional<QRect> AreaSelection::area() const
{
    if (!rect_)
        return std::nullopt;
    return evenArea(*rect_, bounds_.size());
}

std::optional<QRect> AreaSelection::pixelArea() const
{
    const auto points = area();
    if (!points)
        return std::nullopt;
    return evenArea(areaInPixels(*points, pixelsPerPoint_), areaInPixels(bounds_, pixelsPerPoint_).size());
}

std::string AreaSelection::sizeText() const
{
    const auto recorded = pixelArea();
    if (!recorded)
        return {};
    return std::to_string(recorded->width()) + " × " + std::to_string(recorded->height());
}

QRect areaInPixels(const QRect& points, qreal pixelsPerPoint)
{
    if (pixelsPerPoint == 1.0)
        return points;
    const QPoint topLeft = (QPointF(points.topLeft()) * pixelsPerPoint).toPoint();
    const QPoint end = (QPointF(points.topLeft() + QPoint(points.width(), points.height())) * pixelsPerPoint).toPoint();
    return QRect(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y()));
}

} // namespace tarnix
