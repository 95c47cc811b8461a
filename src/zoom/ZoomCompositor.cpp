#include "zoom/ZoomCompositor.h"

#include <algorithm>
#include <limits>

#include "zoom/ZoomShape.h"

namespace tarnix::ZoomCompositor {

namespace {

double transitionLength(double gap)
{
    return std::clamp(gap / 2, 0.0, kMaxTransition);
}

// From the full frame (e = 0) to r (e = 1).
Rect towards(const Rect& r, double e)
{
    return {r.x * e, r.y * e, 1 + (r.width - 1) * e, 1 + (r.height - 1) * e};
}

// From r (e = 0) back to the full frame (e = 1).
Rect awayFrom(const Rect& r, double e)
{
    return {r.x * (1 - e), r.y * (1 - e), r.width + (1 - r.width) * e,
            r.height + (1 - r.height) * e};
}

} // namespace

Rect rect(double t, const std::vector<ZoomRegion>& regions)
{
    auto sorted = regions;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ZoomRegion& a, const ZoomRegion& b) { return a.start < b.start; });

    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const ZoomRegion& region = sorted[i];
        double previousEnd = i > 0 ? sorted[i - 1].end : -kInfinity;
        double nextStart = i + 1 < sorted.size() ? sorted[i + 1].start : kInfinity;
        double a = transitionLength(region.start - previousEnd);
        double b = transitionLength(nextStart - region.end);
        if (t < region.start - a || t > region.end + b)
            continue;

        // Both ends of every ramp are frame-shaped, so every step between them is too.
        const Rect shown = ZoomShape::shown(region.rect);
        if (t <= region.start) {
            double p = a > 0 ? (t - (region.start - a)) / a : 1;
            return towards(shown, interpolate(region.easing, p));
        }
        if (t <= region.end)
            return shown;
        double p = b > 0 ? (t - region.end) / b : 1;
        return awayFrom(shown, interpolate(region.easing, p));
    }
    return kUnitRect;
}

} // namespace tarnix::ZoomCompositor
