#pragma once

#include "document/Geometry.h"

// The one rule for what part of the frame a zoom region shows. A picture is only ever shown
// frame-shaped: a rectangle whose normalised width and height are equal has the frame's own
// aspect, so scaling it up to the frame keeps the picture's proportions. Every reader of a region's
// rectangle that draws, maps or labels it goes through here: the zoom motion (and with it the crop,
// the cursor, the ripples and the blur boxes), the command line and the Studio's labels.
// Pure functions on normalised rectangles (origin top-left, y down, 0...1).

namespace tarnix::ZoomShape {

// Automatic and scroll-wheel zoom levels stay within these magnifications.
inline constexpr double kMinLevel = 1.2;
inline constexpr double kMaxLevel = 4;

// The frame-shaped rectangle of side `side` (at most 1) centred on `centre`, shifted inward
// as little as needed to lie inside the frame.
Rect frameShaped(Point centre, double side);

// `side` held so that the level it gives, 1 / side, stays within kMinLevel...kMaxLevel. Anything
// that is not a positive side (zero, NaN) gives the deepest zoom.
double heldSide(double side);

// What a region with rectangle `rect` shows: the frame-shaped rectangle of side
// max(width, height) about its centre (never more than the whole frame). A square rectangle
// inside the frame is shown as it is; a rectangle with no extent at all shows the whole frame.
// The region itself keeps the rectangle it has.
Rect shown(const Rect& rect);

// The magnification a region with rectangle `rect` is shown at: 1 / the side of shown(rect).
double shownLevel(const Rect& rect);

} // namespace tarnix::ZoomShape
