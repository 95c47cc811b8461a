#pragma once

#include <vector>

#include "compositing/NormalizedSamples.h"

// "Smooth movement" for the drawn cursor: the recorded path is followed through a critically
// damped spring, so small jitters vanish and fast moves glide, and then bent back onto every press
// point at its time, so a click still lands exactly where it was made. The result never strays
// further than a bound from the recorded path. Pure; any thread. Made once per composition build.

namespace tarnix::CursorSmoothing {

// The spring's time constant (seconds) for a strength 0...1 (clamped).
double timeConstant(double strength);

// The largest distance (normalised capture space) between the smoothed and the recorded path
// for a strength 0...1 (clamped).
double maxDeviation(double strength);

// The smoothed path as samples every few milliseconds over the recorded path's time span, plus a
// sample at each press inside that span, sorted by time. `samples` and `presses` are sorted by
// time (the composition builder's lists). Fewer than two samples come back unchanged.
std::vector<NormalizedCursorSample> smooth(const std::vector<NormalizedCursorSample>& samples,
                                           const std::vector<NormalizedClickSample>& presses,
                                           double strength);

} // namespace tarnix::CursorSmoothing
