#include "media/Composition.h"

#include <algorithm>
#include <cmath>

namespace tarnix::media {

static MediaError insertionError(int code, std::string reason)
{
    return MediaError{"Tarnix.Composition", code, "The time range couldn't be inserted.",
                      std::move(reason), nullptr};
}

double CompositionTrack::duration() const
{
    double end = 0;
    for (const auto& segment : segments)
        end = std::max(end, segment.target().end());
    return end;
}

const CompositionSegment* CompositionTrack::segmentAt(double t) const
{
    for (const auto& segment : segments) {
        TimeRange target = segment.target();
        if (t >= target.start && t < target.end())
            return &segment;
    }
    return nullptr;
}

const CompositionTrack* Composition::addMutableTrack(MediaType type, TrackID preferredTrackID)
{
    TrackID id = preferredTrackID;
    if (id <= kInvalidTrackID) {
        id = 1;
        while (track(id))
            ++id;
    }
    if (track(id))
        return nullptr;
    tracks_.push_back(CompositionTrack{id, type, {}, std::nullopt});
    return &tracks_.back();
}

std::optional<MediaError> Composition::insertTimeRange(TrackID trackID, TimeRange sourceRange,
                                                       const AssetTrack& source, double atTime,
                                                       double fadeIn, double fadeOut, double speed)
{
    auto it = std::find_if(tracks_.begin(), tracks_.end(),
                           [&](const CompositionTrack& t) { return t.trackID == trackID; });
    if (it == tracks_.end())
        return insertionError(1, "The composition has no track " + std::to_string(trackID) + ".");
    if (it->mediaType != source.mediaType)
        return insertionError(2, "The source track's media type differs from the track's.");
    if (!std::isfinite(sourceRange.start) || !std::isfinite(sourceRange.duration) ||
        !(sourceRange.duration > 0) || sourceRange.start < 0)
        return insertionError(3, "The time range is empty or invalid.");
    // A range may reach outside the track's own range (its file's other tracks start earlier or
    // end later): the track's first or last frame holds there and its audio is silent.
    if (sourceRange.start >= source.timeRange.end())
        return insertionError(4, "The time range lies outside the source track.");
    if (!std::isfinite(speed) || !(speed > 0))
        return insertionError(7, "The speed is invalid.");
    if (!std::isfinite(atTime) || atTime < 0)
        return insertionError(5, "The insertion time is invalid.");
    for (const auto& segment : it->segments) {
        TimeRange target = segment.target();
        if (atTime > target.start && atTime < target.end())
            return insertionError(6, "Inserting inside an existing segment is not supported.");
    }
    for (auto& segment : it->segments)
        if (segment.compositionStart >= atTime)
            segment.compositionStart += sourceRange.duration / speed;
    CompositionSegment added{source, sourceRange, atTime};
    added.speed = speed;
    if (source.mediaType == MediaType::audio) {
        added.fadeIn = std::isfinite(fadeIn) ? std::max(fadeIn, 0.0) : 0;
        added.fadeOut = std::isfinite(fadeOut) ? std::max(fadeOut, 0.0) : 0;
    }
    it->segments.push_back(added);
    std::sort(it->segments.begin(), it->segments.end(),
              [](const auto& a, const auto& b) { return a.compositionStart < b.compositionStart; });
    return std::nullopt;
}

std::vector<const CompositionTrack*> Composition::tracks(MediaType type) const
{
    std::vector<const CompositionTrack*> result;
    for (const auto& t : tracks_)
        if (t.mediaType == type)
            result.push_back(&t);
    return result;
}

const CompositionTrack* Composition::track(TrackID trackID) const
{
    for (const auto& t : tracks_)
        if (t.trackID == trackID)
            return &t;
    return nullptr;
}

bool Composition::setNoiseReduction(TrackID trackID, std::optional<double> strength)
{
    for (auto& t : tracks_)
        if (t.trackID == trackID && t.mediaType == MediaType::audio) {
            t.noiseReduction = strength;
            return true;
        }
    return false;
}

double Composition::duration() const
{
    double end = 0;
    for (const auto& t : tracks_)
        end = std::max(end, t.duration());
    return end;
}

} // namespace tarnix::media
