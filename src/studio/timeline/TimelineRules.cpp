#include "studio/timeline/TimelineRules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "document/CutRegions.h"
#include "zoom/ZoomShape.h"

namespace tarnix::TimelineRules {

double pxPerSecond(double width, double duration)
{
    return duration > 0 ? std::max(width, 1.0) / duration : 0;
}

double rulerStep(double pps)
{
    for (double step : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0,
                        900.0, 1800.0})
        if (step * pps >= 64)
            return step;
    return 3600;
}

std::vector<double> rulerTicks(double duration, double pps)
{
    std::vector<double> ticks;
    if (!(duration > 0) || !(pps > 0))
        return ticks;
    double step = rulerStep(pps);
    for (double t = 0; t <= duration; t += step)
        ticks.push_back(t);
    return ticks;
}

std::string rulerTimeText(double seconds)
{
    double tenths = std::round(seconds * 10); // std::round rounds halves away from zero
    long long total = (long long)tenths;
    long long s = total / 10;
    long long d = total % 10;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld.%lld", s / 60, s - 60 * (s / 60), d);
    return text;
}

SecondsRange neighborBounds(const std::vector<ZoomRegion>& regions, const Uuid& id, double duration)
{
    std::vector<ZoomRegion> sorted = regions;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.start < b.start; });
    auto it = std::find_if(sorted.begin(), sorted.end(), [&](const auto& r) { return r.id == id; });
    if (it == sorted.end())
        return {0, duration};
    double lower = it == sorted.begin() ? 0 : std::prev(it)->end;
    double upper = std::next(it) == sorted.end() ? duration : std::next(it)->start;
    return {lower, std::max(lower, upper)};
}

SecondsRange freeGap(const std::vector<ZoomRegion>& regions, double t, double duration)
{
    // A time inside a region looks for room after it: measured from that region's end, the gap
    // below would otherwise reach back under the region and a new zoom would overlap it.
    for (bool inside = true; inside;) {
        inside = false;
        for (const auto& r : regions)
            if (r.start <= t && t < r.end) {
                t = r.end;
                inside = true;
            }
    }
    double lower = 0;
    double upper = duration;
    for (const auto& r : regions) {
        if (lower <= r.end && r.end <= t)
            lower = r.end;
        if (t <= r.start && r.start < upper)
            upper = r.start;
    }
    return {lower, std::max(lower, upper)};
}

namespace {

CreationOutcome clickAt(double x, double pps, double duration)
{
    return {CreationOutcome::Kind::click, std::clamp(x / pps, 0.0, std::max(duration, 0.0)), {}};
}

} // namespace

CreationOutcome zoomCreation(double startX, double endX, double pps,
                             const std::vector<ZoomRegion>& regions, double duration)
{
    if (!(pps > 0))
        return {};
    if (std::abs(endX - startX) < kClickSlop)
        return clickAt(endX, pps, duration);
    double s = std::min(startX, endX) / pps;
    double e = std::max(startX, endX) / pps;
    SecondsRange gap = freeGap(regions, std::clamp(s, 0.0, duration), duration);
    double newStart = std::max(gap.lower, std::max(s, 0.0));
    double newEnd = std::min(std::min(std::max(e, newStart + kMinRegionDuration), duration), gap.upper);
    if (newEnd - newStart >= kMinRegionDuration)
        return {CreationOutcome::Kind::create, 0, {newStart, newEnd}};
    return {};
}

CreationOutcome redactCreation(double startX, double endX, double pps, double duration)
{
    if (!(pps > 0))
        return {};
    if (std::abs(endX - startX) < kClickSlop)
        return clickAt(endX, pps, duration);
    double newStart = std::max(std::min(startX, endX) / pps, 0.0);
    double e = std::max(startX, endX) / pps;
    double newEnd = std::min(std::max(e, newStart + kMinRegionDuration), duration);
    if (newEnd - newStart >= kMinRegionDuration)
        return {CreationOutcome::Kind::create, 0, {newStart, newEnd}};
    return {};
}

CreationOutcome cutCreation(double startX, double endX, double pps, double duration)
{
    if (!(pps > 0))
        return {};
    if (std::abs(endX - startX) < kClickSlop)
        return clickAt(endX, pps, duration);
    double newStart = std::clamp(std::min(startX, endX) / pps, 0.0, duration);
    double newEnd = std::clamp(std::max(startX, endX) / pps, 0.0, duration);
    if (newEnd - newStart < kMinCutDuration) {
        newEnd = std::min(newStart + kMinCutDuration, duration);
        newStart = std::max(newEnd - kMinCutDuration, 0.0);
    }
    if (newEnd - newStart >= kMinCutDuration - 1e-9)
        return {CreationOutcome::Kind::create, 0, {newStart, newEnd}};
    return {};
}

SecondsRange cutNeighborBounds(const std::vector<CutRegion>& cuts, const Uuid& id, double duration)
{
    const CutRegion* self = nullptr;
    for (const CutRegion& cut : cuts)
        if (cut.id == id)
            self = &cut;
    if (!self)
        return {0, duration};
    double lower = 0, upper = duration;
    for (const CutRegion& cut : cuts) {
        if (cut.id == id)
            continue;
        if (cut.end <= self->start)
            lower = std::max(lower, cut.end);
        if (cut.start >= self->end)
            upper = std::min(upper, cut.start);
    }
    return {lower, std::max(lower, upper)};
}

double trimHandleTime(const std::vector<CutRegion>& cuts, ClipEdge edge, double duration)
{
    for (const TimeSpan& span : mergedCutSpans(cuts, duration)) {
        if (edge == ClipEdge::leading && span.start <= 0)
            return span.end;
        if (edge == ClipEdge::trailing && span.end >= duration)
            return span.start;
    }
    return edge == ClipEdge::leading ? 0 : duration;
}

namespace {

bool touchesEnd(const CutRegion& cut, ClipEdge edge, double duration)
{
    return edge == ClipEdge::leading ? cut.start <= 1e-3 : cut.end >= duration - 1e-3;
}

} // namespace

Uuid trimID(const std::vector<CutRegion>& cuts, ClipEdge edge, double duration)
{
    for (const CutRegion& cut : cuts)
        if (touchesEnd(cut, edge, duration))
            return cut.id;
    return Uuid::random();
}

std::vector<CutRegion> trimmedCuts(const std::vector<CutRegion>& cuts, ClipEdge edge, double t,
                                   double duration, const Uuid& id)
{
    t = std::clamp(t, 0.0, std::max(duration, 0.0));
    std::vector<CutRegion> rest;
    for (const CutRegion& cut : cuts)
        if (!touchesEnd(cut, edge, duration))
            rest.push_back(cut);
    double start = edge == ClipEdge::leading ? 0 : t;
    double end = edge == ClipEdge::leading ? t : duration;
    std::vector<CutRegion> result = addingCut(rest, start, end, duration); // sorted in any case
    for (CutRegion& cut : result)
        if (end - start >= 1e-3 && cut.start <= start + 1e-9 && cut.end >= end - 1e-9)
            cut.id = id;
    return result;
}

std::optional<double> scrubTime(double x, double pps, double duration)
{
    if (!(pps > 0))
        return std::nullopt;
    return std::max(std::min(x / pps, duration), 0.0);
}

SecondsRange movedSpan(SecondsRange start, double dt, SecondsRange allowed)
{
    double newStart = start.lower + dt;
    double newEnd = start.upper + dt;
    if (newStart < allowed.lower) {
        newEnd += allowed.lower - newStart;
        newStart = allowed.lower;
    }
    if (newEnd > allowed.upper)
        newStart -= newEnd - allowed.upper;
    return {std::max(newStart, allowed.lower), std::min(newEnd, allowed.upper)};
}

SecondsRange trimmedSpan(SecondsRange start, ClipEdge edge, double dt, double minDuration,
                         SecondsRange allowed)
{
    SecondsRange span = start;
    if (edge == ClipEdge::leading)
        span.lower = std::min(start.upper - minDuration, std::max(allowed.lower, start.lower + dt));
    else
        span.upper = std::max(start.lower + minDuration, std::min(allowed.upper, start.upper + dt));
    return span;
}

double clipWidth(double start, double end, double pps)
{
    return std::max((end - start) * pps, kMinClipWidth);
}

double zoomLevel(const Rect& rect)
{
    return ZoomShape::shownLevel(rect);
}

Rect squareAround(const Rect& rect, double size)
{
    return ZoomShape::frameShaped({rect.midX(), rect.midY()}, size);
}

Rect adjustedZoomRect(const Rect& rect, double scrollDelta)
{
    double level = zoomLevel(rect) + scrollDelta * 0.01;
    // A level scrolled to zero or below is as shallow as a zoom goes.
    return squareAround(rect, ZoomShape::heldSide(level > 0 ? 1 / level : 1));
}

} // namespace tarnix::TimelineRules
