#pragma once

#include <optional>
#include <vector>

#include "compositing/BackgroundRenderer.h"
#include "compositing/NormalizedSamples.h"
#include "document/Geometry.h"

// Where the cursor is at a time, and the chain that carries a point of the captured area onto the
// output canvas: through the zoom rectangle, then into the background's content rectangle.
// Pure functions; any thread.

namespace tarnix {

// Where the overlays of one output frame go: its time, the zoom rectangle, the background (or
// none) and the output size in pixels.
struct OverlayPlacement {
    double time = 0;                             // seconds
    Rect zoom = kUnitRect;                       // normalised capture space
    const BackgroundFrame* background = nullptr; // owned by the instruction
    Size outputSize;                             // pixels

    // A point of normalised capture space in normalised canvas space, or nothing when the zoom
    // leaves it out of the picture.
    std::optional<Point> canvasPoint(Point capturePoint) const;
};

namespace CursorTrack {

// The cursor position at time t (seconds), normalised capture space: the first sample's point
// before it, the last one's after it, linear interpolation in between (binary search). Nothing
// for an empty track.
std::optional<Point> position(double t, const std::vector<NormalizedCursorSample>& samples);

// The point in the normalised coordinates of the zoom rectangle, or nothing when it lies outside it
// (edges included) or the rectangle is empty.
std::optional<Point> zoomed(Point point, const Rect& zoom);

} // namespace CursorTrack

namespace ContentMapping {

// A point of the zoomed picture (normalised, y down) in normalised canvas space: inside the
// content rectangle when there is a background frame and the output size is positive, unchanged
// otherwise. The content rectangle is centred, so the downward axis needs no flip.
Point toCanvas(Point zoomedPoint, const BackgroundFrame* frame, Size outputSize);
// The same for a rectangle (origin and size).
Rect toCanvas(const Rect& zoomedRect, const BackgroundFrame* frame, Size outputSize);

} // namespace ContentMapping

} // namespace tarnix
