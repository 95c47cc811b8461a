#include "studio/timeline/ZoomTimelineModel.h"

#include <algorithm>
#include <cmath>

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

} // namespace

void ZoomTimelineModel::scrub(double x)
{
    if (auto t = TimelineRules::scrubTime(x, pxPerSecond(), duration); t && onSeek)
        onSeek(*t);
}

void ZoomTimelineModel::dragOnTrack(Track track, double startX, double currentX)
{
    auto& pending = track == Track::zoom ? pendingDrag_ : pendingRedactDrag_;
    if (!pending)
        pending = PendingDrag{startX, currentX};
    else
        pending->currentX = currentX;
}

void ZoomTimelineModel::endDragOnTrack(Track track, double startX, double endX)
{
    (track == Track::zoom ? pendingDrag_ : pendingRedactDrag_).reset();
    using Kind = TimelineRules::CreationOutcome::Kind;
    auto outcome = track == Track::zoom
                       ? TimelineRules::zoomCreation(startX, endX, pxPerSecond(), regions.get(), duration)
                       : TimelineRules::redactCreation(startX, endX, pxPerSecond(), duration);
    if (outcome.kind == Kind::click) {
        (track == Track::zoom ? selectedRegionID : selectedRedactID).set(std::nullopt);
        if (onSeek)
            onSeek(outcome.seekTime);
    } else if (outcome.kind == Kind::create) {
        auto& create = track == Track::zoom ? onCreateRegion : onCreateRedactRegion;
        if (create)
            create(outcome.range.lower, outcome.range.upper);
    }
}

const std::optional<ZoomTimelineModel::PendingDrag>& ZoomTimelineModel::pendingDrag(Track track) const
{
    return track == Track::zoom ? pendingDrag_ : pendingRedactDrag_;
}

void ZoomTimelineModel::select(Track track, const Uuid& id)
{
    (track == Track::zoom ? selectedRegionID : selectedRedactID).set(id);
}

void ZoomTimelineModel::remove(Track track, const Uuid& id)
{
    if (track == Track::zoom)
        eraseRegion(regions, id);
    else
        eraseRegion(redactRegions, id);
    auto& selection = track == Track::zoom ? selectedRegionID : selectedRedactID;
    if (selection.get() == id)
        selection.set(std::nullopt);
    if (clipDrag_ && clipDrag_->id == id)
        clipDrag_.reset();
    if (onEditEnded)
        onEditEnded();
}

bool ZoomTimelineModel::deleteSelection()
{
    if (auto id = selectedRegionID.get(); id && findRegion(regions.get(), *id)) {
        remove(Track::zoom, *id);
        return true;
    }
    if (auto id = selectedRedactID.get(); id && findRegion(redactRegions.get(), *id)) {
        remove(Track::redact, *id);
        return true;
    }
    return false;
}

std::optional<SecondsRange> ZoomTimelineModel::spanOf(Track track, const Uuid& id) const
{
    if (track == Track::zoom) {
        auto list = regions.get();
        if (const auto* r = findRegion(list, id))
            return SecondsRange{r->start, r->end};
    } else {
        auto list = redactRegions.get();
        if (const auto* r = findRegion(list, id))
            return SecondsRange{r->start, r->end};
    }
    return std::nullopt;
}

void ZoomTimelineModel::writeSpan(Track track, const Uuid& id, SecondsRange span)
{
    auto write = [&](auto& list) {
        for (auto& r : list)
            if (r.id == id) {
                r.start = span.lower;
                r.end = span.upper;
            }
    };
    if (track == Track::zoom)
        regions.modify(write);
    else
        redactRegions.modify(write);
}

SecondsRange ZoomTimelineModel::allowedRange(Track track, const Uuid& id) const
{
    if (track == Track::zoom)
        return TimelineRules::neighborBounds(regions.get(), id, duration);
    return {0, duration};
}

bool ZoomTimelineModel::isSelected(Track track, const Uuid& id) const
{
    return (track == Track::zoom ? selectedRegionID : selectedRedactID).get() == id;
}

void ZoomTimelineModel::dragClip(Track track, const Uuid& id, std::optional<ClipEdge> edge, double dx)
{
    if (!clipDrag_ || clipDrag_->id != id) {
        auto span = spanOf(track, id);
        if (!span)
            return;
        clipDrag_ = ClipDrag{track, id, *span};
        select(track, id);
    }
    double pps = pxPerSecond();
    if (!(pps > 0))
        return;
    double dt = dx / pps;
    SecondsRange allowed = allowedRange(track, id);
    SecondsRange span =
        edge ? TimelineRules::trimmedSpan(clipDrag_->startSpan, *edge, dt,
                                          TimelineRules::kMinRegionDuration, allowed)
             : TimelineRules::movedSpan(clipDrag_->startSpan, dt, allowed);
    writeSpan(track, id, span);
}

void ZoomTimelineModel::endClipDrag()
{
    if (!clipDrag_)
        return;
    clipDrag_.reset();
    if (onEditEnded)
        onEditEnded();
}

bool ZoomTimelineModel::scrollZoomClip(const Uuid& id, double delta)
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
