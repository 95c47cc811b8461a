#pragma once

#include <optional>
#include <vector>

#include "studio/timeline/TimelineRules.h"

// Which part of the recording the timeline shows: a scale (points per second) and the time at the
// view's leading edge. The whole recording fits the width at the smallest scale; the largest shows
// about ten frames across. Positions come in two kinds: content x (t x scale, from the recording's
// start) and view x (content x less the scroll offset). Widget-free; the timeline's widgets read
// it for every placement and feed it zoom and scroll gestures.
//
// While playing, the view follows the playhead a page at a time: when the playhead leaves the
// visible span, the next page starts at it. A user who scrolls the playhead out of sight has
// taken the view; following resumes when the playhead is in sight again or on resumeFollowing().

namespace tarnix {

class TimelineViewport {
public:
    // Frames kept across the view at the largest scale.
    static constexpr double kFramesAtMaxZoom = 10;
    // One step of `+`/`-` or one wheel notch multiplies or divides the scale by this.
    static constexpr double kZoomStep = 1.25;
    // Band at each end of the view where a drag scrolls the view, and the fastest scroll (points
    // per tick of the drag's timer) at the very edge.
    static constexpr double kEdgeZone = 28;
    static constexpr double kMaxEdgeScroll = 24;

    void setDuration(double seconds);
    void setWidth(double points);
    void setFrameRate(double framesPerSecond);
    double duration() const { return duration_; }
    double width() const { return width_; }

    double pxPerSecond() const;
    double fitPxPerSecond() const;
    double maxPxPerSecond() const;
    // The scale relative to the whole recording's fit: 1 shows everything.
    double zoomFactor() const;
    bool isFit() const;

    // Zooming keeps the time under view x where it was (as far as the recording's ends allow).
    void zoomAbout(double viewX, double factor);
    void setPxPerSecondAbout(double viewX, double pxPerSecond);
    void fit();

    double startTime() const { return start_; }
    double scrollX() const { return start_ * pxPerSecond(); }
    double contentWidth() const { return duration_ * pxPerSecond(); }
    double maxScrollX() const;
    // Scrolling by the user (scroll bar, Shift+wheel, swipe); see the following rule above.
    void scrollBy(double points);
    void scrollTo(double contentX);
    // Brings t into view when it is out of it (no change otherwise), t at the leading edge.
    void reveal(double t);

    SecondsRange visibleSpan() const;
    double viewX(double t) const { return t * pxPerSecond() - scrollX(); }
    double timeAt(double viewX) const;
    double contentX(double viewX) const { return viewX + scrollX(); }

    // Called on every playhead change while playing; pages when the playhead left the view.
    void followPlayhead(double t);
    void resumeFollowing() { detached_ = false; }
    bool isFollowing() const { return !detached_; }
    void setPlayhead(double t) { playhead_ = t; }

    // Points to scroll per tick for a drag whose pointer is at view x: negative near the leading
    // edge, positive near the trailing one, 0 elsewhere; faster the nearer (or further past) it is.
    double edgeScrollStep(double viewX) const;

private:
    void clampStart();

    double duration_ = 0;
    double width_ = 1;
    double frameRate_ = 30;
    double pps_ = 0; // 0: follow the fit
    double start_ = 0;
    double playhead_ = 0;
    bool detached_ = false;
};

namespace TimelineRules {

// Ticks of the ruler inside a span, at multiples of the step the scale asks for.
std::vector<double> rulerTicks(SecondsRange span, double duration, double pxPerSecond);

// One picture of the filmstrip: its content x and the key frame it shows.
struct FilmstripSlot {
    double contentX = 0;
    double frameTime = 0;
};
// The pictures the visible span needs: slots of `thumbWidth` points aligned to the recording's
// start (so they stay put while scrolling), each showing the key frame nearest its middle.
// Without key frame times, each shows the time at its middle.
std::vector<FilmstripSlot> filmstripSlots(const TimelineViewport& viewport, double thumbWidth,
                                          const std::vector<double>& keyFrameTimes);

// Peaks of the visible span, one per `barPitch` points: the largest of the recording's fine
// peaks (evenly spread over the duration) that each bar covers.
struct WaveformBars {
    double firstX = 0; // view x of the first bar
    double pitch = 0;
    std::vector<float> peaks;
};
WaveformBars waveformBars(const std::vector<float>& peaks, const TimelineViewport& viewport,
                          double barPitch);

} // namespace TimelineRules
} // namespace tarnix
