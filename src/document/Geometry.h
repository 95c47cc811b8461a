#pragma once

#include <algorithm>

// Plain geometry values shared by the document, the zoom engine and the renderers.
// Units depend on the space a value lives in (screen points, normalised 0...1, pixels); the
// types themselves carry none.

namespace tarnix {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    bool operator==(const Rect&) const = default;
};

// The full frame in normalised coordinates.
inline constexpr Rect kUnitRect{0, 0, 1, 1};

// Where a picture of size `content` lies when scaled into a frame of size `frame` with its aspect
// kept and centred, normalised to the frame (top-left origin). The whole frame when either size is
// empty.
inline Rect aspectFitRect(Size content, Size frame)
{
    if (!(content.width > 0 && content.height > 0 && frame.width > 0 && frame.height > 0))
        return kUnitRect;
    const double scale = std::min(frame.width / content.width, frame.height / content.height);
    const double width = content.width * scale / frame.width;
    const double height = content.height * scale / frame.height;
    return {(1 - width) / 2, (1 - height) / 2, width, height};
}

// Clamps the way the document's normalisation does: not greater than 0 becomes 0, then greater
// than 1 becomes 1 (so NaN becomes 0 rather than slipping through).
inline double clampUnit(double v)
{
    if (!(v > 0))
        return 0;
    return v > 1 ? 1 : v;
}

} // namespace tarnix
