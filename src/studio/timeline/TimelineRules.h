#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/RecordingTimeline.h"

// The timeline's arithmetic, free of widgets: the time scale, the ruler, the room a zoom region
// may take, what a creation drag creates, and how a clip moves, trims and zooms. Times are seconds
// of the recording, x positions points from the timeline's leading edge, rectangles normalised.

namespace tarnix {

// A closed range of seconds, lower <= upper.
struct SecondsRange {
    double lower = 0;
    double upper = 0;
    bool operator==(const SecondsRange&) const = default;
};

namespace TimelineRules {

// Layout constants of the timeline, in points.
inline constexpr double kRulerHeight = 22;
inline constexpr double kFilmstripHeight = 40;
inline constexpr double kCutTrackHeight = 30;
inline constexpr double kSpeedTrackHeight = 30;
inline constexpr double kZoomTrackHeight = 68;
inline constexpr double kRedactTrackHeight = 34;
inline constexpr double kTextTrackHeight = 34;
inline constexpr double kAudioTrackHeight = 32;
inline constexpr double kTrackSpacing = 6;
inline constexpr double kScrollBarHeight = 12;
inline constexpr double kTotalHeight = kRulerHeight + kFilmstripHeight + kCutTrackHeight +
                                       kSpeedTrackHeight + kZoomTrackHeight + kRedactTrackHeight +
                                       kTextTrackHeight + kAudioTrackHeight + kScrollBarHeight +
                                       8 * kTrackSpacing;
inline constexpr double kZoomClipHeight = 48;
inline constexpr double kRedactClipHeight = 26;
inline constexpr double kTextClipHeight = 26;
inline constexpr double kCutClipHeight = 22;
inline constexpr double kSpeedClipHeight = 22;
// The grips at the recording's two ends on the cut track.
inline constexpr double kTrimHandleWidth = 10;
inline constexpr double kHandleWidth = 8;
inline constexpr double kMinClipWidth = 4;
// Shortest region that can be created, and the shortest a trim may leave.
inline constexpr double kMinRegionDuration = 0.3;
// The speed a segment drawn on the speed track starts with: fast enough to matter, slow enough to
// follow.
inline constexpr double kNewSpeed = 2;
// Shortest cut a drag on the cut track makes, and the shortest a cut's trim may leave.
inline constexpr double kMinCutDuration = 0.1;
// A creation drag shorter than this is a click.
inline constexpr double kClickSlop = 4;

// Points per second for the whole recording across `width`; 0 without a duration.
double pxPerSecond(double width, double duration);

// Seconds between ruler ticks: the first of 0.1 s ... 30 min at least 64 points apart, else an hour.
double rulerStep(double pxPerSecond);
// Tick times 0, step, 2 step ... up to the duration (accumulated); none without a scale.
std::vector<double> rulerTicks(double duration, double pxPerSecond);
// Ruler label: tenths of a second rounded half away from zero, "m:ss.t".
std::string rulerTimeText(double seconds);

// The span a zoom region may occupy: from the end of the region before it to the start of the one
// after it (by start time); 0 ... duration when it is alone or unknown.
SecondsRange neighborBounds(const std::vector<ZoomRegion>& regions, const Uuid& id, double duration);
// The empty stretch of the zoom track around time t; for a time inside a region, the stretch
// after that region.
SecondsRange freeGap(const std::vector<ZoomRegion>& regions, double t, double duration);

// The two ends of a clip, or of the recording.
enum class ClipEdge { leading, trailing };

// What the end of a creation drag on a track means.
struct CreationOutcome {
    enum class Kind { nothing, click, create };
    Kind kind = Kind::nothing;
    double seekTime = 0;  // for a click
    SecondsRange range;   // for a creation
};
CreationOutcome zoomCreation(double startX, double endX, double pxPerSecond,
                             const std::vector<ZoomRegion>& regions, double duration);
CreationOutcome redactCreation(double startX, double endX, double pxPerSecond, double duration);
// A cut spans exactly what the pointer swept (within the recording), at least kMinCutDuration.
CreationOutcome cutCreation(double startX, double endX, double pxPerSecond, double duration);

// The span a cut may take while it is moved or trimmed: up to the cuts before and after it (cuts
// never overlap: they are merged when made).
SecondsRange cutNeighborBounds(const std::vector<CutRegion>& cuts, const Uuid& id, double duration);
// Where the trim grips stand: the end of a cut that starts the recording (else 0) and the start
// of a cut that ends it (else the duration).
double trimHandleTime(const std::vector<CutRegion>& cuts, ClipEdge edge, double duration);
// The cut list with the recording's start (or end) trimmed to time t: the cut touching that end
// is replaced by [0, t] (or [t, duration]) with the identifier `id`, merged with every cut it
// reaches; t at the end itself removes the trim.
std::vector<CutRegion> trimmedCuts(const std::vector<CutRegion>& cuts, ClipEdge edge, double t,
                                   double duration, const Uuid& id);
// The identifier of the cut touching that end of the recording, else a new one.
Uuid trimID(const std::vector<CutRegion>& cuts, ClipEdge edge, double duration);

// The time under x while scrubbing, within 0 ... duration; nothing without a scale.
std::optional<double> scrubTime(double x, double pxPerSecond, double duration);

// Clip editing. `start` is the region's span when the gesture began, dt the pointer's travel in
// seconds since then.
SecondsRange movedSpan(SecondsRange start, double dt, SecondsRange allowed);
SecondsRange trimmedSpan(SecondsRange start, ClipEdge edge, double dt, double minDuration,
                         SecondsRange allowed);
// Width of a clip in points, never under kMinClipWidth.
double clipWidth(double start, double end, double pxPerSecond);

// The zoom level a region with this rectangle is shown at (ZoomShape::shownLevel): 1 / the
// larger of its sides, so a rectangle of unequal sides reads as the level it is drawn at.
double zoomLevel(const Rect& rect);
// A square of side `size` around the rectangle's centre, shifted inward to stay in the frame.
Rect squareAround(const Rect& rect, double size);
// The scroll-wheel change: level + delta x 0.01, held in 1.2 ... 4, as a square.
Rect adjustedZoomRect(const Rect& rect, double scrollDelta);

} // namespace TimelineRules
} // namespace tarnix
