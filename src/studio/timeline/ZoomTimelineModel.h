#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "document/RecordingTimeline.h"
#include "studio/Binding.h"
#include "studio/timeline/TimelineRules.h"

// The timeline's state and commands, without widgets. It reads and writes the editor's regions
// and selections through bindings and reports to the editor through callbacks: seeks and
// creations as they happen, clip edits only when their gesture ends (`onEditEnded`), so that the
// editor rebuilds the preview once per gesture. The widgets (ZoomTimelineView and its clips) turn
// pointer events into these commands. GUI thread only.

namespace tarnix {

class ZoomTimelineModel {
public:
    enum class Track { zoom, redact };

    // Read/write access to the editor's edit state.
    Binding<std::vector<ZoomRegion>> regions;
    Binding<std::vector<RedactRegion>> redactRegions;
    Binding<std::optional<Uuid>> selectedRegionID;
    Binding<std::optional<Uuid>> selectedRedactID;

    // What the timeline asks of the editor.
    std::function<void(double)> onSeek;
    std::function<void(double, double)> onCreateRegion;
    std::function<void(double, double)> onCreateRedactRegion;
    std::function<void()> onEditEnded;

    // Values given by the editor.
    double duration = 0;
    std::vector<ClickEvent> clicks;
    std::vector<float> waveform;
    double currentTime = 0;
    double width = 1; // points; set by the view on every resize

    double pxPerSecond() const { return TimelineRules::pxPerSecond(width, duration); }

    // Scrubbing on the ruler or the audio track: every pointer position seeks.
    void scrub(double x);

    // Creation drags on the empty part of a track (x in points from the track's leading edge).
    struct PendingDrag {
        double startX = 0;
        double currentX = 0;
    };
    void dragOnTrack(Track track, double startX, double currentX);
    void endDragOnTrack(Track track, double startX, double endX);
    const std::optional<PendingDrag>& pendingDrag(Track track) const;

    // Clips.
    void select(Track track, const Uuid& id);
    void remove(Track track, const Uuid& id);
    // The Delete key: the zoom selection first, then the blur selection. False when neither names
    // an existing region (the key then belongs to someone else).
    bool deleteSelection();

    // A move (edge absent) or a trim of one clip; dx is the pointer's travel in points since the
    // gesture began. The first change selects the clip; only the end reports an edit.
    void dragClip(Track track, const Uuid& id, std::optional<TimelineRules::ClipEdge> edge, double dx);
    void endClipDrag();
    bool isDraggingClip() const { return clipDrag_.has_value(); }

    // The scroll wheel over a zoom clip: changes the level of the selected clip only, and every
    // step is committed. Returns whether anything changed.
    bool scrollZoomClip(const Uuid& id, double delta);

    // The span a clip may occupy while it is moved or trimmed.
    SecondsRange allowedRange(Track track, const Uuid& id) const;
    bool isSelected(Track track, const Uuid& id) const;

private:
    struct ClipDrag {
        Track track;
        Uuid id;
        SecondsRange startSpan;
    };
    std::optional<SecondsRange> spanOf(Track track, const Uuid& id) const;
    void writeSpan(Track track, const Uuid& id, SecondsRange span);

    std::optional<PendingDrag> pendingDrag_;
    std::optional<PendingDrag> pendingRedactDrag_;
    std::optional<ClipDrag> clipDrag_;
};

} // namespace tarnix
