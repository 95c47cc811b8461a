#include "zoom/ZoomShape.h"

#include <algorithm>

namespace tarnix::ZoomShape {

namespace {
// Origin of a span of length `side` centred on c, kept inside 0...1.
double inwardOrigin(double c, double side)
{
    return std::min(1 - side, std::max(0.0, c - side / 2));
}
} // namespace

Rect frameShaped(Point centre, double side)
{
    return {inwardOrigin(centre.x, side), inwardOrigin(centre.y, side), side, side};
}

double heldSide(double side)
{
    if (!(side > 1 / kMaxLevel))
        return 1 / kMaxLevel;
    return std::min(side, 1 / kMinLevel);
}

Rect shown(const Rect& rect)
{
    // NaN-safe: a side that is not positive fails the test below.
    const double side = std::min(std::max(rect.width, rect.height), 1.0);
    if (!(side > 0))
        return kUnitRect;
    if (rect.width == rect.height && rect.x >= 0 && rect.y >= 0 && rect.maxX() <= 1 &&
        rect.maxY() <= 1)
        return rect; // already frame-shaped: not a rounding step away from what was stored
    return frameShaped({rect.midX(), rect.midY()}, side);
}

double shownLevel(const Rect& rect)
{
    return 1 / shown(rect).width;
}

} // namespace tarnix::ZoomShape
