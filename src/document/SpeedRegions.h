#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/RecordingTimeline.h"

// Speed regions: spans of the recording played faster or slower. The factors an editor offers,
// the rules every editor keeps (the Studio's timeline, the command line's `speed`, the document's
// decoder), and the small editing operations on a document's speed list. How output time maps to
// source time with cuts and speed together: KeptTime (document/CutRegions.h).
// Pure values and functions; any thread.

namespace tarnix {

// The speeds a region may have, slowest first.
inline constexpr double kSpeedFactors[] = {0.25, 0.5, 1.5, 2, 4, 8};
inline constexpr std::string_view kSpeedFactorsText = "0.25, 0.5, 1.5, 2, 4 or 8";
// The speed "Speed up idle time" gives the idle spans it finds.
inline constexpr double kIdleSpeed = 8;

bool isSpeedFactor(double speed);

// How a factor is shown on a segment and in menus: "4×", "0.25×".
std::string speedLabel(double speed);

// The first two regions that overlap (touching is fine), in start order; nothing when none do.
std::optional<std::pair<SpeedRegion, SpeedRegion>>
overlappingSpeedRegions(const std::vector<SpeedRegion>& regions);

// The regions sorted by start with [start, end] at `speed` added, clipped to 0...sourceDuration
// (a duration of 0 or less: not clipped). The time it covers is taken out of the regions it
// overlaps (a region wholly inside it goes, one it splits keeps its id on the left). An empty or
// invalid span, or a speed that is not a factor, leaves the list as it was (sorted).
std::vector<SpeedRegion> addingSpeed(const std::vector<SpeedRegion>& regions, double start,
                                     double end, double speed, double sourceDuration);

} // namespace tarnix
