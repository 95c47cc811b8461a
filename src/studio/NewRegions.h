#pragma once

#include "document/RecordingTimeline.h"

// The regions the editor makes, wherever they are asked for (a creation drag on the timeline, the
// blur panel's button): a zoom region aimed where the user clicked nearest the span's middle, at
// the default level with easeInOut, and a blur box in the middle of the picture.

namespace tarnix::NewRegions {

ZoomRegion zoomRegion(double start, double end, const RecordingTimeline& document);
RedactRegion redactRegion(double start, double end);
// A text box with `text` centred near the bottom of the canvas, white on its pill.
TextRegion textRegion(double start, double end, std::string text);

inline constexpr Rect kRedactRect{0.38, 0.44, 0.24, 0.12};

} // namespace tarnix::NewRegions
