#pragma once

#include <functional>
#include <vector>

#include "document/CutRegions.h"
#include "document/RecordingTimeline.h"

// "Speed up idle time": the stretches of a recording where nothing happens, neither at the
// person's hands (no cursor movement, click, key or focus change) nor on screen (its picture,
// sampled a few times a second at a small size, does not change), so that they can be played fast.

namespace tarnix::IdleTime {

// The shortest stretch worth speeding up, seconds.
inline constexpr double kMinimumIdle = 3;
// How often the screen is looked at, times a second.
inline constexpr double kScreenSampleRate = 4;

// Times at which the person did something: each cursor movement, click, key and focus change.
std::vector<double> activityTimes(const RecordingTimeline& timeline);

// Times (sample times, kScreenSampleRate a second) at which the screen's picture differs from
// the previous sample. `stop`, checked between samples, ends the scan early with what it found.
// Throws media::MediaException when the movie can't be read.
std::vector<double> screenChangeTimes(const RecordingTimeline& timeline, double duration,
                                      const std::function<bool()>& stop = {});

// The gaps of at least `minimum` seconds within 0...duration between the given moments (in any
// order), each shortened by `margin` on the side of a moment, so that what happens stays at its
// own speed.
std::vector<TimeSpan> quietSpans(std::vector<double> moments, double duration,
                                 double minimum = kMinimumIdle, double margin = 0);

// The idle stretches of the recording: the quiet spans between activity and screen changes.
std::vector<TimeSpan> idleSpans(const RecordingTimeline& timeline, double duration,
                                const std::function<bool()>& stop = {});

// The speed list with each span made a kIdleSpeed region (replacing the speed of what it covers).
std::vector<SpeedRegion> withIdleSpedUp(const std::vector<SpeedRegion>& speeds,
                                        const std::vector<TimeSpan>& spans, double duration);

} // namespace tarnix::IdleTime
