#pragma once

#include <Qt>

#include <optional>
#include <vector>

#include "studio/StudioEditState.h"
#include "studio/timeline/TimelineModel.h"

// The timeline's keyboard map and the rules its commands follow, without widgets: which key does
// what, where a step, a jump to a region's edge or the next clip lands. The Studio's keyboard
// handler executes the commands; the "Keyboard shortcuts" sheet lists the same table.

namespace tarnix {

enum class TimelineCommand {
    frameBack,
    frameForward,
    secondBack,
    secondForward,
    toStart,
    toEnd,
    playBackward,
    pause,
    playForward,
    previousEdge,
    nextEdge,
    nextClip,
    previousClip,
    zoomIn,
    zoomOut,
    zoomToFit,
};

struct TimelineKeyBinding {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    TimelineCommand command;
    const char* keysText;    // as the sheet shows it
    const char* description; // the sheet's sentence
};

namespace TimelineKeys {

// The whole map, in the order the sheet lists it.
const std::vector<TimelineKeyBinding>& bindings();
// The command of a key press (keypad and Shift variants of `+` and `-` included), if any.
std::optional<TimelineCommand> commandFor(int key, Qt::KeyboardModifiers modifiers);
// Whether the command plays, pauses or moves the playhead (rather than zooming or selecting).
bool movesPlayhead(TimelineCommand command);

// The playhead after a step, jump or edge command, within 0 ... duration; nothing for a command
// that does not move it. `frame` is one frame's duration.
std::optional<double> playheadAfter(TimelineCommand command, double t, double frame,
                                    double duration, const StudioEditState& state);

// Every start and end of the zoom, blur, text, speed and cut regions, sorted, without repeats.
std::vector<double> regionEdges(const StudioEditState& state);

// A clip of the timeline: its track and region.
struct ClipRef {
    TimelineModel::Track track;
    Uuid id;
    bool operator==(const ClipRef&) const = default;
};
// The clip Tab (forward) or Shift+Tab selects: the one after (before) the selected clip in time
// order (start, then track), wrapping round; without a selection, the first starting at or after
// the playhead (the last before it). Nothing when there are no clips.
std::optional<ClipRef> adjacentClip(const StudioEditState& state, std::optional<ClipRef> selected,
                                    double playhead, bool forward);

} // namespace TimelineKeys
} // namespace tarnix
