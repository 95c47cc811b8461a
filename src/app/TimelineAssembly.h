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

// A followed window's frames (movie times, negative before the first frame) as the document's
// captureFrameSamples: those before the first frame count from 0, and only changes of the frame in
// force (captureFrame at first) are kept, each with a fresh id. Empty when the window never moved
// or changed size.
std::vector<CaptureFrameSample> captureFrameSamples(const std::vector<CaptureFrameSample>& followed,
                                                    const Rect& captureFrame);

// The parameters of the automatic zoom made when a recording stops.
ZoomPanEngine::Parameters zoomParameters();

// Element-based regions, or click-based ones when the element-based pass yields nothing.
std::vector<ZoomRegion> automaticZoomRegions(const RecordingTimeline& timeline);

// The regions as far as a movie of `duration` seconds shows them: an end past the movie's end is
// brought back to it, and a region that would start at or after the end is left out. Order is
// kept.
std::vector<ZoomRegion> heldToMovie(std::vector<ZoomRegion> regions, double duration);

struct Inputs {
    std::filesystem::path videoURL;
    std::optional<std::filesystem::path> cameraURL; // only when a camera was selected
    std::optional<std::filesystem::path> microphoneURL; // only when a microphone was selected
    bool cameraSelected = false;
    bool hasSystemAudio = false;
    Date startedAt;
    Rect captureFrame;
    std::optional<Date> firstFrame;
    std::optional<double> movieDuration; // seconds; nothing when the movie's length is unknown
    std::optional<Date> cursorStart;
    std::optional<Date> focusStart;
    std::vector<CursorSample> cursorSamples;
    std::vector<ClickEvent> clickEvents;
    std::vector<FocusedElementSample> focusedElementSamples;
    // Where a recorded window was, on the movie's time line, in screen space.
    std::vector<CaptureFrameSample> followedFrames;
};

// The whole document, zoom regions included (held to the movie when its length is known).
RecordingTimeline assemble(const Inputs& inputs);

} // namespace tarnix::TimelineAssembly
