#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/RecordingTimeline.h"
#include "studio/Binding.h"
#include "studio/timeline/TimelineRules.h"
#include "studio/timeline/TimelineViewport.h"

// The timeline's state and commands, without widgets. Five tracks of regions: cuts (spans left
// out of the movie, merged whenever they meet; a cut that would leave nothing is refused), speed
// segments, zooms, blurs and text boxes (speed segments, zooms and text boxes one at a time: they
// never overlap), plus the trim grips at the recording's two ends, which make and change the cuts
// that touch them. It reads and writes the editor's regions
// and selections through bindings and reports to the editor through callbacks: seeks and
// creations as they happen, clip edits only when their gesture ends (`onEditEnded`), so that the
// editor rebuilds the preview once per gesture. The widgets (TimelineView and its clips) turn
// pointer events into these commands. GUI thread only.

namespace tarnix {

class TimelineModel {
public:
    enum class Track { zoom, redact, cut, text, speed };
    static constexpr std::size_t kTrackCount = 5;

    // Read/write access to the editor's edit state.
    Binding<std::vector<ZoomRegion>> regions;
    Binding<std::vector<RedactRegion>> redactRegions;
    Binding<std::optional<Uuid>> selectedRegionID;
    Binding<std::optional<Uuid>> selectedRedactID;
    Binding<std::vector<CutRegion>> cutRegions;
    Binding<std::optional<Uuid>> selectedCutID;
    Binding<std::vector<TextRegion>> textRegions;
    Binding<std::optional<Uuid>> selectedTextID;
    Binding<std::vector<SpeedRegion>> speedRegions;
    Binding<std::optional<Uuid>> selectedSpeedID;

    // What the timeline asks of the editor.
    std::function<void(double)> onSeek;
    std::function<void(double, double)> onCreateRegion;
    std::function<void(double, double)> onCreateRedactRegion;
    std::function<void(double, double)> onCreateTextRegion;
    std::function<void()> onEditEnded;
    // An edit was refused; the sentence says why (a cut that would leave nothing).
    std::function<void(const std::string&)> onRefused;

    // Values given by the editor.
    double duration = 0;
    std::vector<ClickEvent> clicks;
    std::vector<float> waveform;
    double currentTime = 0;
    // The shown part of the recording; its width is set by the view on every resize.
    TimelineViewport viewport;

    void setDuration(double seconds)
    {
        duration = seconds;
        viewport.setDuration(seconds);
    }
    double pxPerSecond() const { return viewport.pxPerSecond(); }

    // Positions given to the commands below are content x: points from the recording's start at
    // the current scale (the view adds its scroll offset to the pointer's x).

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

    // Clips. Selecting a cut or a speed segment clears every other selection, and selecting
    // anything else clears theirs, so that the Delete key acts on what was picked last.
    void select(Track track, const Uuid& id);
    std::optional<Uuid> selectedID(Track track) const { return selection(track).get(); }
    void clearSelections();
    void remove(Track track, const Uuid& id);
    // The Delete key: the zoom selection first, then the blur selection, the text box, the speed
    // segment, then the cut (which restores its span). False when none names an existing region (the key then belongs to
    // someone else).
    bool deleteSelection();

    // A move (edge absent) or a trim of one clip; dx is the pointer's travel in points since the
    // gesture began (the view's scrolling meanwhile is added, so the clip stays under the pointer). The first change selects the clip; only the end reports an edit.
    void dragClip(Track track, const Uuid& id, std::optional<TimelineRules::ClipEdge> edge, double dx);
    void endClipDrag();
    bool isDraggingClip() const { return clipDrag_.has_value(); }

    // The scroll wheel over a zoom clip: changes the level of the selected clip only, and every
    // step is committed. Returns whether anything changed.
    bool scrollZoomClip(const Uuid& id, double delta);

    // A speed segment's speed (one of kSpeedFactors), committed; false when nothing changed.
    bool setSpeed(const Uuid& id, double speed);
    // The speed of a segment, or nothing when it has gone.
    std::optional<double> speedOf(const Uuid& id) const;

    // The trim grips: dragging one to x (points) trims the recording's start or end there, live;
    // the end of the gesture commits (or reports a refusal when the pointer asked for nothing to
    // remain, in which case the last allowed trim stays).
    void dragTrim(TimelineRules::ClipEdge edge, double x);
    void endTrim();
    // One keyboard step of a trim grip: its time moves by `seconds`; committed.
    void nudgeTrim(TimelineRules::ClipEdge edge, double seconds);
    double trimTime(TimelineRules::ClipEdge edge) const;

    // A region's span, or nothing when it has gone.
    std::optional<SecondsRange> spanOf(Track track, const Uuid& id) const;
    // The span a clip may occupy while it is moved or trimmed.
    SecondsRange allowedRange(Track track, const Uuid& id) const;
    bool isSelected(Track track, const Uuid& id) const;

private:
    struct ClipDrag {
        Track track;
        Uuid id;
        SecondsRange startSpan;
        double startScrollX = 0;
    };
    void writeSpan(Track track, const Uuid& id, SecondsRange span);
    const Binding<std::optional<Uuid>>& selection(Track track) const;
    // Writes the cuts unless they leave nothing; then remembers the refusal for the gesture's end.
    bool writeCuts(std::vector<CutRegion> cuts);
    void createCut(double start, double end);
    void createSpeed(double start, double end);
    // Calls `use` with the binding of the track's list.
    template <class F>
    decltype(auto) withList(Track track, F&& use) const;
    void reportRefusal();

    std::array<std::optional<PendingDrag>, kTrackCount> pendingDrags_;
    std::optional<ClipDrag> clipDrag_;
    struct TrimDrag {
        TimelineRules::ClipEdge edge;
        std::vector<CutRegion> startCuts;
        Uuid id; // the trim's, for the whole gesture
    };
    std::optional<TrimDrag> trimDrag_;
    bool refusedInGesture_ = false;
};

} // namespace tarnix
