#pragma once

#include <vector>

#include "document/RecordingTimeline.h"

// Zoom motion: which part of the captured frame is on screen at a given movie time. Pure and
// thread-safe. The crop of a picture to that rectangle lives with the image code
// (compositing/ZoomCrop.h).

namespace tarnix::ZoomCompositor {

// Longest transition into or out of a region, in seconds.
inline constexpr double kMaxTransition = 0.6;

// The normalised rectangle (origin top-left, y down) to show at time t (seconds): the full frame
// outside every region, what the region shows (ZoomShape::shown of its rect) while it holds, eased
// in between. Always frame-shaped. Regions may come in any order.
Rect rect(double t, const std::vector<ZoomRegion>& regions);

} // namespace tarnix::ZoomCompositor
