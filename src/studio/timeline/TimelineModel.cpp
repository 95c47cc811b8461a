#include "studio/timeline/TimelineModel.h"

#include <algorithm>
#include <cmath>

#include "document/CutRegions.h"
#include "document/SpeedRegions.h"

namespace tarnix {

using TimelineRules::ClipEdge;

namespace {

template <class Region>
const Region* findRegion(const std::vector<Region>& list, const Uuid& id)
{
    auto it = std::find_if(list.begin(), list.end(), [&](const Region& r) { return r.id == id; });
    return it == list.end() ? nullptr : &*it;
}

template <class Region>
bool eraseRegion(const Binding<std::vector<Region>>& binding, const Uuid& id)
{
    std::vector<Region> list = binding.get();
    auto removed = std::erase_if(list, [&](const Region& r) { return r.id == id; });
    if (removed > 0)
        binding.set(list);
    return removed > 0;
}

// Text boxes and speed segments keep to the zoom track's rule, one at a time, so they take its
// span rules through their spans.
template <class Region>
std::vector<ZoomRegion> spansOf(const std::vector<Region>& list)
{
    std::vector<ZoomRegion> spans;
    spans.reserve(list.size());
    for (const Region& r : list)
        spans.push_back({r.id, r.start, r.end, {}, EasingCurve::linear});
    return spans;
}

} // namespace

template <class F>
decltype(auto) TimelineModel::withList(Track track, F&& use) const
{
    if (track == Track::zoom)
        return use(regions);
    if (track == Track::redact)
        return use(redactRegions);
    if (track == Track::text)
        return use(textRegions);
    if (track == Track::speed)
        return use(speedRegions);
    return use(cutRegions);
}

void TimelineModel::scrub(double x)
{
    if (auto t = TimelineRules::scrubTime(x, pxPerSecond(), duration); t && onSeek)
        onSeek(*t);
}

void TimelineModel::dragOnTrack(Track track, double startX, double currentX)
{
    auto& pending = pendingDrags_[std::size_t(track)];
    if (!pending)
        pending = PendingDrag{startX, currentX};
    else
        pending->currentX = currentX;
}

void TimelineModel::endDragOnTrack(Track track, double startX, double endX)
{
    pendingDrags_[std::size_t(track)].reset();
    using Kind = TimelineRules::CreationOutcome::Kind;
    double pps = pxPerSecond();
    auto outcome = track == Track::zoom
                       ? TimelineRules::zoomCreation(startX, endX, pps, regions.get(), duration)
                   : track == Track::text
                       ? TimelineRules::zoomCreation(startX, endX, pps, spansOf(textRegions.view()), duration)
                   : track == Track::speed
                       ? TimelineRules::zoomCreation(startX, endX, pps, spansOf(speedRegions.view()), duration)
                   : track == Track::redact ? TimelineRules::redactCreation(startX, endX, pps, duration)
                                            : TimelineRules::cutCreation(startX, endX, pps, duration);
    if (outcome.kind == Kind::click) {
        selection(track).set(std::nullopt);
        if (onSeek)
            onSeek(outcome.seekTime);
    } else if (outcome.kind == Kind::create) {
        if (track == Track::cut)
            createCut(outcome.range.lower, outcome.range.upper);
        else if (track == Track::speed)
            createSpeed(outcome.range.lower, outcome.range.upper);
        else if (auto& create = track == Track::zoom   ? onCreateRegion
                                : track == Track::text ? onCreateTextRegion
                                                       : onCreateRedactRegion)
            create(outcome.range.lower, outcome.range.upper);
    }
}

void TimelineModel::createSpeed(double start, double end)
{
    std::vector<SpeedRegion> next =
        addingSpeed(speedRegions.get(), start, end, TimelineRules::kNewSpeed, duration);
    speedRegions.set(next);
    for (const SpeedRegion& r : next)
        if (std::abs(r.start - start) < 1e-9 && std::abs(r.end - end) < 1e-9)
            select(Track::speed, r.id);
    if (onEditEnded)
        onEditEnded();
}

bool TimelineModel::setSpeed(const Uuid& id, double speed)
{
    if (!isSpeedFactor(speed) || speedOf(id).value_or(speed) == speed)
        return false;
    speedRegions.modify([&](std::vector<SpeedRegion>& list) {
        for (SpeedRegion& r : list)
            if (r.id == id)
                r.speed = speed;
    });
    if (onEditEnded)
        onEditEnded();
    return true;
}

std::optional<double> TimelineModel::speedOf(const Uuid& id) const
{
    if (const SpeedRegion* r = findRegion(speedRegions.view(), id))
        return r->speed;
    return std::nullopt;
}

void TimelineModel::createCut(double start, double end)
{
    std::vector<CutRegion> next = addingCut(cutRegions.get(), start, end, duration);
    refusedInGesture_ = false;
    if (!writeCuts(next)) {
        reportRefusal();
        return;
    }
    // The cut that now holds the span (a merge keeps a neighbour's identity).
    for (const CutRegion& cut : next)
        if (cut.start <= start + 1e-9 && cut.end >= end - 1e-9)
            select(Track::cut, cut.id);
    if (onEditEnded)
        onEditEnded();
}

bool TimelineModel::writeCuts(std::vector<CutRegion> cuts)
{
    if (cutsLeaveNothing(cuts, duration)) {
        refusedInGesture_ = true;
        return false;
    }
    refusedInGesture_ = false;
    cutRegions.set(cuts);
    return true;
}

void TimelineModel::reportRefusal()
{
    refusedInGesture_ = false;
    if (onRefused)
        onRefused(std::string(kEverythingCutMessage));
}

const std::optional<TimelineModel::PendingDrag>& TimelineModel::pendingDrag(Track track) const
{
    return pendingDrags_[std::size_t(track)];
}

const Binding<std::optional<Uuid>>& TimelineModel::selection(Track track) const
{
    // In the order of Track's values.
    const std::array<const Binding<std::optional<Uuid>>*, kTrackCount> selections{
        &selectedRegionID, &selectedRedactID, &selectedCutID, &selectedTextID, &selectedSpeedID};
    return *selections[std::size_t(track)];
}

void TimelineModel::select(Track track, const Uuid& id)
{
    // Cuts and speed segments are selected alone; zooms, blurs and text boxes side by side.
    bool alone = track == Track::cut || track == Track::speed;
    for (Track other : {Track::zoom, Track::redact, Track::text, Track::cut, Track::speed})
        if (other != track && (alone || other == Track::cut || other == Track::speed))
            selection(other).set(std::nullopt);
    selection(track).set(id);
}

void TimelineModel::clearSelections()
{
    for (Track track : {Track::zoom, Track::redact, Track::text, Track::cut, Track::speed})
        selection(track).set(std::nullopt);
}

void TimelineModel::remove(Track track, const Uuid& id)
{
    withList(track, [&](const auto& binding) { eraseRegion(binding, id); });
    if (selection(track).get() == id)
        selection(track).set(std::nullopt);
    if (clipDrag_ && clipDrag_->id == id)
        clipDrag_.reset();
    if (onEditEnded)
        onEditEnded();
}

bool TimelineModel::deleteSelection()
{
    for (Track track : {Track::zoom, Track::redact, Track::text, Track::speed, Track::cut})
        if (auto id = selection(track).get(); id && spanOf(track, *id)) {
            remove(track, *id);
            return true;
        }
    return false;
}

std::optional<SecondsRange> TimelineModel::spanOf(Track track, const Uuid& id) const
{
    return withList(track, [&](const auto& binding) -> std::optional<SecondsRange> {
        if (const auto* r = findRegion(binding.view(), id))
            return SecondsRange{r->start, r->end};
        return std::nullopt;
    });
}

void TimelineModel::writeSpan(Track track, const Uuid& id, SecondsRange span)
{
    auto write = [&](auto& list) {
        for (auto& r : list)
            if (r.id == id) {
                r.start = span.lower;
                r.end = span.upper;
            }
    };
    if (track == Track::cut) {
        std::vector<CutRegion> cuts = cutRegions.get();
        write(cuts);
        writeCuts(cuts);
        return;
    }
    withList(track, [&](const auto& binding) { binding.modify(write); });
}

SecondsRange TimelineModel::allowedRange(Track track, const Uuid& id) const
{
    switch (track) {
    case Track::zoom:
        return TimelineRules::neighborBounds(regions.view(), id, duration);
    case Track::cut:
        return TimelineRules::cutNeighborBounds(cutRegions.get(), id, duration);
    case Track::text:
        return TimelineRules::neighborBounds(spansOf(textRegions.view()), id, duration);
    case Track::speed:
        return TimelineRules::neighborBounds(spansOf(speedRegions.view()), id, duration);
    case Track::redact:
        break;
    }
    return {0, duration};
}

bool TimelineModel::isSelected(Track track, const Uuid& id) const
{
    return selection(track).get() == id;
}

void TimelineModel::dragClip(Track track, const Uuid& id, std::optional<ClipEdge> edge, double dx)
{
    if (!clipDrag_ || clipDrag_->id != id) {
        auto span = spanOf(track, id);
        if (!span)
            return;
        clipDrag_ = ClipDrag{track, id, *span, viewport.scrollX()};
        select(track, id);
    }
    double pps = pxPerSecond();
    if (!(pps > 0))
        return;
    double dt = (dx + viewport.scrollX() - clipDrag_->startScrollX) / pps;
    SecondsRange allowed = allowedRange(track, id);
    double minDuration =
        track == Track::cut ? TimelineRules::kMinCutDuration : TimelineRules::kMinRegionDuration;
    SecondsRange span =
        edge ? TimelineRules::trimmedSpan(clipDrag_->startSpan, *edge, dt, minDuration, allowed)
             : TimelineRules::movedSpan(clipDrag_->startSpan, dt, allowed);
    writeSpan(track, id, span);
}

void TimelineModel::endClipDrag()
{
    if (!clipDrag_)
        return;
    ClipDrag drag = *clipDrag_;
    clipDrag_.reset();
    if (drag.track == Track::cut) {
        // A cut dragged against its neighbour joins it.
        std::vector<CutRegion> cuts = cutRegions.get();
        std::vector<CutRegion> others;
        std::optional<CutRegion> dragged;
        for (const CutRegion& cut : cuts) {
            if (cut.id == drag.id)
                dragged = cut;
            else
                others.push_back(cut);
        }
        if (dragged) {
            std::vector<CutRegion> merged = addingCut(others, dragged->start, dragged->end, duration);
            for (CutRegion& cut : merged)
                if (cut.start <= dragged->start + 1e-9 && cut.end >= dragged->end - 1e-9)
                    cut.id = drag.id;
            bool refused = refusedInGesture_;
            refusedInGesture_ = !writeCuts(merged) || refused;
        }
    }
    // The edit first, then why part of it was refused, so that the commit does not clear the
    // reason before anyone has read it.
    if (onEditEnded)
        onEditEnded();
    if (refusedInGesture_)
        reportRefusal();
}

void TimelineModel::dragTrim(TimelineRules::ClipEdge edge, double x)
{
    double pps = pxPerSecond();
    if (!(pps > 0))
        return;
    if (!trimDrag_) {
        std::vector<CutRegion> cuts = cutRegions.get();
        trimDrag_ = TrimDrag{edge, cuts, TimelineRules::trimID(cuts, edge, duration)};
    }
    double t = std::clamp(x / pps, 0.0, duration);
    writeCuts(TimelineRules::trimmedCuts(trimDrag_->startCuts, edge, t, duration, trimDrag_->id));
}

void TimelineModel::endTrim()
{
    if (!trimDrag_)
        return;
    trimDrag_.reset();
    if (onEditEnded)
        onEditEnded();
    if (refusedInGesture_)
        reportRefusal();
}

void TimelineModel::nudgeTrim(TimelineRules::ClipEdge edge, double seconds)
{
    std::vector<CutRegion> cuts = cutRegions.get();
    double t = TimelineRules::trimHandleTime(cuts, edge, duration) + seconds;
    Uuid id = TimelineRules::trimID(cuts, edge, duration);
    if (!writeCuts(TimelineRules::trimmedCuts(cuts, edge, t, duration, id))) {
        reportRefusal();
        return;
    }
    if (onEditEnded)
        onEditEnded();
}

double TimelineModel::trimTime(TimelineRules::ClipEdge edge) const
{
    return TimelineRules::trimHandleTime(cutRegions.get(), edge, duration);
}

bool TimelineModel::scrollZoomClip(const Uuid& id, double delta)
{
    if (!isSelected(Track::zoom, id) || delta == 0)
        return false;
    bool found = false;
    regions.modify([&](std::vector<ZoomRegion>& list) {
        for (auto& r : list)
            if (r.id == id) {
                r.rect = TimelineRules::adjustedZoomRect(r.rect, delta);
                found = true;
            }
    });
    if (found && onEditEnded)
        onEditEnded();
    return found;
}

} // namespace tarnix
