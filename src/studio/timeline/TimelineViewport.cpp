#include "studio/timeline/TimelineViewport.h"

#include <algorithm>
#include <cmath>

namespace tarnix {

void TimelineViewport::setDuration(double seconds)
{
    duration_ = std::max(seconds, 0.0);
    pps_ = std::clamp(pps_, 0.0, maxPxPerSecond());
    clampStart();
}

void TimelineViewport::setWidth(double points)
{
    width_ = std::max(points, 1.0);
    if (pps_ > 0)
        pps_ = std::clamp(pps_, fitPxPerSecond(), maxPxPerSecond());
    clampStart();
}

void TimelineViewport::setFrameRate(double framesPerSecond)
{
    if (framesPerSecond > 0)
        frameRate_ = framesPerSecond;
}

double TimelineViewport::fitPxPerSecond() const
{
    return TimelineRules::pxPerSecond(width_, duration_);
}

double TimelineViewport::maxPxPerSecond() const
{
    // Never below the fit, so a recording shorter than ten frames simply fits.
    return std::max(fitPxPerSecond(), width_ * frameRate_ / kFramesAtMaxZoom);
}

double TimelineViewport::pxPerSecond() const
{
    double fit = fitPxPerSecond();
    return pps_ > fit ? pps_ : fit;
}

double TimelineViewport::zoomFactor() const
{
    double fit = fitPxPerSecond();
    return fit > 0 ? pxPerSecond() / fit : 1;
}

bool TimelineViewport::isFit() const
{
    return !(pps_ > fitPxPerSecond());
}

void TimelineViewport::zoomAbout(double viewX, double factor)
{
    if (factor > 0)
        setPxPerSecondAbout(viewX, pxPerSecond() * factor);
}

void TimelineViewport::setPxPerSecondAbout(double viewX, double pxPerSecond)
{
    if (!(duration_ > 0))
        return;
    double anchor = timeAt(viewX);
    pps_ = std::clamp(pxPerSecond, fitPxPerSecond(), maxPxPerSecond());
    start_ = anchor - viewX / this->pxPerSecond();
    clampStart();
}

void TimelineViewport::fit()
{
    pps_ = 0;
    start_ = 0;
}

double TimelineViewport::maxScrollX() const
{
    return std::max(0.0, contentWidth() - width_);
}

void TimelineViewport::scrollTo(double contentX)
{
    double pps = pxPerSecond();
    if (!(pps > 0))
        return;
    start_ = contentX / pps;
    clampStart();
    SecondsRange span = visibleSpan();
    detached_ = playhead_ < span.lower || playhead_ > span.upper;
}

void TimelineViewport::scrollBy(double points)
{
    scrollTo(scrollX() + points);
}

void TimelineViewport::reveal(double t)
{
    SecondsRange span = visibleSpan();
    if (t < span.lower || t >= span.upper) {
        start_ = t;
        clampStart();
    }
}

SecondsRange TimelineViewport::visibleSpan() const
{
    double pps = pxPerSecond();
    if (!(pps > 0))
        return {0, 0};
    return {start_, std::min(duration_, start_ + width_ / pps)};
}

double TimelineViewport::timeAt(double viewX) const
{
    double pps = pxPerSecond();
    return pps > 0 ? start_ + viewX / pps : 0;
}

void TimelineViewport::followPlayhead(double t)
{
    playhead_ = t;
    SecondsRange span = visibleSpan();
    bool inSight = span.lower <= t && t <= span.upper;
    if (detached_) {
        detached_ = !inSight;
        return;
    }
    // The last page ends at the recording's end, where the playhead stops inside it.
    if (!inSight || (t >= span.upper && span.upper < duration_))
        reveal(t);
}

double TimelineViewport::edgeScrollStep(double viewX) const
{
    double depth = 0;
    if (viewX < kEdgeZone)
        depth = -(kEdgeZone - viewX);
    else if (viewX > width_ - kEdgeZone)
        depth = viewX - (width_ - kEdgeZone);
    // A pointer well past the edge scrolls at the fastest rate.
    double step = depth / kEdgeZone * kMaxEdgeScroll;
    return std::clamp(step, -kMaxEdgeScroll, kMaxEdgeScroll);
}

void TimelineViewport::clampStart()
{
    double pps = pxPerSecond();
    double last = pps > 0 ? std::max(0.0, duration_ - width_ / pps) : 0;
    start_ = std::clamp(start_, 0.0, last);
}

namespace TimelineRules {

std::vector<double> rulerTicks(SecondsRange span, double duration, double pps)
{
    std::vector<double> ticks;
    if (!(duration > 0) || !(pps > 0))
        return ticks;
    double step = rulerStep(pps);
    // Multiples of the step, not a running sum: far into a long recording a sum drifts.
    auto first = (long long)std::floor(std::max(span.lower, 0.0) / step);
    double last = std::min(span.upper, duration);
    for (long long k = first; double(k) * step <= last + 1e-9; ++k)
        ticks.push_back(double(k) * step);
    return ticks;
}

std::vector<FilmstripSlot> filmstripSlots(const TimelineViewport& viewport, double thumbWidth,
                                          const std::vector<double>& keyFrameTimes)
{
    std::vector<FilmstripSlot> pictures;
    double pps = viewport.pxPerSecond();
    if (!(pps > 0) || !(thumbWidth >= 1))
        return pictures;
    double end = std::min(viewport.scrollX() + viewport.width(), viewport.contentWidth());
    for (auto k = (long long)std::floor(viewport.scrollX() / thumbWidth); double(k) * thumbWidth < end; ++k) {
        double x = double(k) * thumbWidth;
        double middle = std::min((x + thumbWidth / 2) / pps, viewport.duration());
        double frame = middle;
        if (!keyFrameTimes.empty()) {
            auto it = std::lower_bound(keyFrameTimes.begin(), keyFrameTimes.end(), middle);
            if (it == keyFrameTimes.end() || (it != keyFrameTimes.begin() && middle - *std::prev(it) < *it - middle))
                --it;
            frame = *it;
        }
        pictures.push_back({x, frame});
    }
    return pictures;
}

WaveformBars waveformBars(const std::vector<float>& peaks, const TimelineViewport& viewport,
                          double barPitch)
{
    WaveformBars bars;
    double pps = viewport.pxPerSecond();
    double duration = viewport.duration();
    if (peaks.empty() || !(pps > 0) || !(barPitch > 0) || !(duration > 0))
        return bars;
    auto n = (long long)peaks.size();
    double perSecond = double(n) / duration;
    double scroll = viewport.scrollX();
    double end = std::min(scroll + viewport.width(), viewport.contentWidth());
    auto first = (long long)std::floor(scroll / barPitch);
    bars.firstX = double(first) * barPitch - scroll;
    bars.pitch = barPitch;
    for (long long k = first; double(k) * barPitch < end; ++k) {
        double t0 = double(k) * barPitch / pps;
        double t1 = double(k + 1) * barPitch / pps;
        long long i0 = std::clamp((long long)std::floor(t0 * perSecond), 0LL, n - 1);
        long long i1 = std::clamp((long long)std::ceil(t1 * perSecond), i0 + 1, n);
        bars.peaks.push_back(*std::max_element(peaks.begin() + i0, peaks.begin() + i1));
    }
    return bars;
}

} // namespace TimelineRules
} // namespace tarnix
