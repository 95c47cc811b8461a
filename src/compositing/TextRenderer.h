#pragma once

#include <QSizeF>

#include <vector>

#include "document/Geometry.h"
#include "document/RecordingTimeline.h"
#include "graphics/Canvas.h"

// Text boxes: each active box's text drawn at its place on the canvas, above everything else
// (zoom does not move it and the blur does not hide it), optionally on a rounded pill, faded in
// and out. Sizes are fractions of the canvas height, so a preview and an export of any size look
// alike. Qt's font fallback picks a font for each script. Text needs the font system of a
// QGuiApplication; without one nothing is drawn. Any thread.

namespace tarnix::TextRenderer {

// How long a box takes to fade in, and to fade out (a short box takes half its length for each).
inline constexpr double kFadeSeconds = 0.2;

// The box's opacity at movie time t: 0 outside start...end and at its ends, 1 inside the fades.
double opacity(const TextRegion& region, double time);

// Where the box lies on a canvas of `canvasSize` (any unit), normalised, origin top-left, y down:
// the text with its pill's margins around `position`, moved in to stay on the canvas where it
// fits. Empty for an empty text or without a font system.
Rect boxRect(const TextRegion& region, QSizeF canvasSize);

// Draws the boxes active at movie time `time`, in list order (a later one covers an earlier one).
void draw(graphics::Canvas& canvas, const std::vector<TextRegion>& regions, double time);

} // namespace tarnix::TextRenderer
