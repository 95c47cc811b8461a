#pragma once

#include <string_view>
#include <vector>

#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"

// Cutting and trimming: which parts of a recording remain once its cut regions are left out, and
// the mapping between source time (the recording's own time line, on which every sample and
// region stays) and output time (the kept spans played one after another, each at the speed of
// the speed region it lies in). This mapping is the one place where times are remapped: the
// composition's segments, the overlays, playback and the transport all go through it.
//
// Also the small editing operations the Studio calls on a document's cut list and look settings.
// Pure values and functions; any thread.

namespace tarnix {

// A span of time, seconds; start <= end.
struct TimeSpan {
    double start = 0;
    double end = 0;
    double duration() const { return end - start; }
    bool operator==(const TimeSpan&) const = default;
};

// The message for a set of cuts that leaves nothing of the recording.
inline constexpr std::string_view kEverythingCutMessage =
    "Nothing is left to export: the cuts remove the whole recording.";

// The rule every editor of cuts keeps (the Studio's timeline and session, the command line's
// `cut`) and the composition builder enforces: cuts must leave something of the recording. True
// when they would not, so the edit is refused with kEverythingCutMessage.
bool cutsLeaveNothing(const std::vector<CutRegion>& cuts, double sourceDuration);

// The cuts clipped to 0...sourceDuration, sorted, with overlapping or touching ones merged. Cuts
// whose bounds are not finite or whose end is not after their start are ignored.
std::vector<TimeSpan> mergedCutSpans(const std::vector<CutRegion>& cuts, double sourceDuration);

// The source time that remains, played one after another, each part at its speed.
class KeptTime {
public:
    // A stretch of kept source time played at one speed, and where it begins in output time.
    struct Piece {
        TimeSpan source;
        double speed = 1;
        double outputStart = 0;
        double outputDuration() const { return source.duration() / speed; }
    };

    // Nothing cut: output time equals source time, for any duration.
    KeptTime() = default;
    KeptTime(const std::vector<CutRegion>& cuts, double sourceDuration);
    // Speed regions whose speed is not a factor (document/SpeedRegions.h), or that overlap one
    // before them, are ignored.
    KeptTime(const std::vector<CutRegion>& cuts, const std::vector<SpeedRegion>& speeds,
             double sourceDuration);
    // The edits' cuts and speed regions.
    static KeptTime of(const RecordingEdits& edits, double sourceDuration)
    {
        return KeptTime(edits.cutRegions, edits.speedRegions, sourceDuration);
    }

    // Whether anything is cut at all (false for the default value).
    bool hasCuts() const { return hasCuts_; }
    // Whether output time differs from source time at all: something is cut or plays at
    // another speed.
    bool isRemapped() const { return !pieces_.empty() || hasCuts_; }
    // The kept source time split where the speed changes, in order (empty when nothing is
    // remapped, or everything is cut).
    const std::vector<Piece>& pieces() const { return pieces_; }
    // The kept spans in source time, in order (empty when everything is cut, or nothing is).
    const std::vector<TimeSpan>& spans() const { return spans_; }
    // Whether the cuts remove everything.
    bool isEmpty() const { return hasCuts_ && spans_.empty(); }
    // Seconds of output: each kept span's length divided by its speed.
    double duration() const { return duration_; }
    // Seconds of the recording the cuts were applied to (0 for the default value).
    double sourceDuration() const { return sourceDuration_; }

    // The source time shown at output time t. Past the end, the end of the last span.
    double sourceTime(double outputTime) const;
    // The output time at which source time t is shown; inside a cut, the moment just after it
    // (the start of the next kept span, or the output's end after a trimmed end).
    double outputTime(double sourceTime) const;
    // Whether source time t lies in a cut (its end excluded: the frame at a cut's end is kept).
    bool isCut(double sourceTime) const;
    // Where a playhead at source time t continues: t itself when it is kept, else the end of the
    // cut it lies in (which may be the recording's end).
    double nextKeptSourceTime(double sourceTime) const;

private:
    bool hasCuts_ = false;
    double sourceDuration_ = 0;
    std::vector<TimeSpan> spans_;
    std::vector<Piece> pieces_;
    std::vector<double> outputStarts_; // output time at which each piece begins
    double duration_ = 0;
};

// The cut list with the cut [start, end] added: clipped to 0...sourceDuration and merged with every
// cut it overlaps or touches (the merged cut keeps the id of one of them, so a selection
// survives); the list comes back
// sorted. An empty or invalid span leaves the list as it was. Whether anything remains is for the
// caller to check (cutsLeaveNothing), so an editor can refuse the edit.
std::vector<CutRegion> addingCut(const std::vector<CutRegion>& cuts, double start, double end,
                                 double sourceDuration);

// Background settings with the canvas aspect chosen; any aspect but `source` needs a background,
// so a background of style none becomes the default gradient.
BackgroundSettings withCanvasAspect(BackgroundSettings settings, CanvasAspect aspect);

// What the compositor draws with: a background of style none under a canvas aspect other than
// `source` (a hand-edited document) is drawn as the default gradient.
BackgroundSettings effectiveBackground(const BackgroundSettings& settings);

} // namespace tarnix
