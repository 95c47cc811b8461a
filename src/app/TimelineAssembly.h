#pragma once

#include <optional>
#include <vector>

#include "capture/CaptureSource.h"
#include "document/RecordingTimeline.h"
#include "zoom/ZoomPanEngine.h"

// Turns what the recorders produced into the recording document: samples re-based onto the
// movie's time line, the initial look settings, and the automatic zoom regions. Pure functions.

namespace tarnix::TimelineAssembly {

// Seconds from a tracker's start to the first video frame (positive when the tracker started
// earlier); 0 when either date is missing.
double offset(const std::optional<Date>& firstFrame, const std::optional<Date>& trackerStart);

// Each record with a fresh id and its timestamp reduced by offset; records that would fall before
// 0 are dropped (exactly 0 stays). Order is kept.
std::vector<CursorSample> rebase(const std::vector<CursorSample>& samples, double offset);
std::vector<ClickEvent> rebase(const std::vector<ClickEvent>& clicks, double offset);
std::vector<FocusedElementSample> rebase(const std::vector<FocusedElementSample>& samples, double offset);

// The parameters of the automatic zoom made when a recording stops.
ZoomPanEngine::Parameters zoomParameters();

// Element-based regions, or click-based ones when the element-based pass yields nothing.
std::vector<ZoomRegion> automaticZoomRegions(const RecordingTimeline& timeline);

// From `time` on (seconds on the movie's time line) the movie shows `shown` (screen space): the
// recorded display after RandR changed its size, scaled into `placed`, the part of the movie's
// frame it fills, in fractions of the frame with the origin at the bottom-left.
struct PictureChange {
    double time = 0;
    Rect shown;
    Rect placed;
};

// Where the movie shows a screen point of `change.shown`, as a screen point of the captured
// frame (so that the document's normalised points land on the picture).
Point placeOnMovie(Point point, const PictureChange& change, const Rect& captureFrame);

struct Inputs {
    std::filesystem::path videoURL;
    std::optional<std::filesystem::path> cameraURL; // only when a camera was selected
    std::optional<std::filesystem::path> microphoneURL; // only when a microphone was selected
    bool cameraSelected = false;
    bool hasSystemAudio = false;
    Date startedAt;
    Rect captureFrame;
    std::optional<Date> firstFrame;
    std::optional<Date> cursorStart;
    std::optional<Date> focusStart;
    std::vector<CursorSample> cursorSamples;
    std::vector<ClickEvent> clickEvents;
    std::vector<FocusedElementSample> focusedElementSamples;
    // In time order; the samples taken after one are placed where the movie shows them.
    std::vector<PictureChange> pictureChanges;
};

// The whole document, zoom regions included.
RecordingTimeline assemble(const Inputs& inputs);

} // namespace tarnix::TimelineAssembly
