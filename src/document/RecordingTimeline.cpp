#include "document/RecordingTimeline.h"

#include <algorithm>

namespace tarnix {

double interpolate(EasingCurve curve, double t)
{
    t = clampUnit(t);
    switch (curve) {
    case EasingCurve::linear:
        return t;
    case EasingCurve::easeIn:
        return t * t;
    case EasingCurve::easeOut:
        return 1 - (1 - t) * (1 - t);
    case EasingCurve::easeInOut:
        if (t < 0.5)
            return 2 * t * t;
        return 1 - 0.5 * (2 - 2 * t) * (2 - 2 * t);
    }
    return t;
}

Point normalizedPoint(Point point, const Rect& frame)
{
    if (!(frame.width > 0) || !(frame.height > 0))
        return {0.5, 0.5};
    double nx = (point.x - frame.minX()) / frame.width;
    double ny = 1 - (point.y - frame.minY()) / frame.height;
    return {clampUnit(nx), clampUnit(ny)};
}

Point RecordingTimeline::normalizedPoint(Point point) const
{
    return tarnix::normalizedPoint(point, captureFrame);
}

const Rect& RecordingTimeline::captureFrameAt(double timestamp) const
{
    auto after = std::upper_bound(captureFrameSamples.begin(), captureFrameSamples.end(), timestamp,
                                  [](double t, const CaptureFrameSample& s) { return t < s.timestamp; });
    return after == captureFrameSamples.begin() ? captureFrame : std::prev(after)->rect;
}

Rect RecordingTimeline::pictureRectAt(double timestamp) const
{
    const Rect& frame = captureFrameAt(timestamp);
    if (frame.width == captureFrame.width && frame.height == captureFrame.height)
        return kUnitRect;
    return aspectFitRect({frame.width, frame.height}, {captureFrame.width, captureFrame.height});
}

Point RecordingTimeline::normalizedPoint(Point point, double timestamp) const
{
    const Point local = tarnix::normalizedPoint(point, captureFrameAt(timestamp));
    const Rect picture = pictureRectAt(timestamp);
    return {picture.x + local.x * picture.width, picture.y + local.y * picture.height};
}

Rect placedInPicture(const Rect& rect, const Rect& picture)
{
    return {picture.x + rect.x * picture.width, picture.y + rect.y * picture.height,
            rect.width * picture.width, rect.height * picture.height};
}

} // namespace tarnix
