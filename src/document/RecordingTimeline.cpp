#include "document/RecordingTimeline.h"

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

} // namespace tarnix
