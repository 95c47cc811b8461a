#pragma once

#include <optional>
#include <vector>

#include "media/MediaAsset.h"

// A multi-track composition: video and audio tracks with fixed ids, each made of time ranges of
// source tracks placed on the composition's time line. Built on one thread, then shared read-only
// (std::shared_ptr<const Composition>) with decoders and exporters on any thread.
// Times are seconds.

namespace tarnix::media {

// Above this speed a segment's sound is left out: time-stretched further it is no longer speech.
inline constexpr double kMaxAudibleSpeed = 4;

// A time range of a source track placed on the composition's time line.
struct CompositionSegment {
    AssetTrack source;
    TimeRange sourceRange;   // on the source file's time line
    double compositionStart = 0;
    // Audio only: seconds over which the segment's sound rises from silence at its start and
    // falls to silence at its end, so that a join between distant source times does not click.
    double fadeIn = 0;
    double fadeOut = 0;
    // How many times as fast as recorded the range plays: its frames are taken that much further
    // apart, its sound keeps its pitch (silent above kMaxAudibleSpeed).
    double speed = 1;

    TimeRange target() const { return TimeRange{compositionStart, sourceRange.duration / speed}; }
    // The source time that plays at composition time t.
    double sourceTime(double t) const { return sourceRange.start + (t - compositionStart) * speed; }
};

struct CompositionTrack {
    TrackID trackID = kInvalidTrackID;
    MediaType mediaType = MediaType::video;
    std::vector<CompositionSegment> segments; // sorted by compositionStart, never overlapping
    // Audio only: the strength (0 ... 1) of the noise reduction the track's sound goes through,
    // nothing for none (media/SoundFilters.h).
    std::optional<double> noiseReduction;

    // The end of the last segment; 0 for an empty track.
    double duration() const;
    // The segment playing at composition time t, or nullptr (a gap or past the end).
    const CompositionSegment* segmentAt(double t) const;
};

class Composition {
public:
    // Adds an empty track with this id (an id of kInvalidTrackID or less picks the next free one).
    // Returns nullptr, adding nothing, when the id is already taken.
    const CompositionTrack* addMutableTrack(MediaType type, TrackID preferredTrackID);

    // Places sourceRange of the source track on track `trackID` at composition time atTime,
    // moving later segments back by its duration there (sourceRange's over `speed`, a positive
    // finite factor). Returns the failure, changing nothing, when the
    // track does not exist, the media types differ, the range is empty, negative or starts after
    // the source track's end, or atTime falls inside an existing segment. A range reaching outside
    // the track's own range is accepted (its first or last frame holds, its audio is silent).
    // An audio segment gets the given fades (seconds; see CompositionSegment).
    std::optional<MediaError> insertTimeRange(TrackID trackID, TimeRange sourceRange,
                                              const AssetTrack& source, double atTime,
                                              double fadeIn = 0, double fadeOut = 0,
                                              double speed = 1);

    // Sets the noise reduction of an audio track. Returns false, changing nothing, when there is
    // no audio track with this id.
    bool setNoiseReduction(TrackID trackID, std::optional<double> strength);

    const std::vector<CompositionTrack>& tracks() const { return tracks_; }
    std::vector<const CompositionTrack*> tracks(MediaType type) const;
    const CompositionTrack* track(TrackID trackID) const;
    // The end of the longest track, seconds.
    double duration() const;

private:
    std::vector<CompositionTrack> tracks_;
};

} // namespace tarnix::media
