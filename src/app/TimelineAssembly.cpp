#include "app/TimelineAssembly.h"

#include <algorithm>

namespace tarnix::TimelineAssembly {

namespace {

template <typename T>
std::vector<T> rebaseAll(const std::vector<T>& records, double offset)
{
    std::vector<T> result;
    result.reserve(records.size());
    for (const T& record : records) {
        T copy = record;
        copy.id = Uuid::random();
        copy.timestamp = record.timestamp - offset;
        if (copy.timestamp >= 0)
            result.push_back(std::move(copy));
    }
    return result;
}

} // namespace

double offset(const std::optional<Date>& firstFrame, const std::optional<Date>& trackerStart)
{
    if (!firstFrame || !trackerStart)
        return 0;
    return firstFrame->timeIntervalSinceReferenceDate - trackerStart->timeIntervalSinceReferenceDate;
}

std::vector<CursorSample> rebase(const std::vector<CursorSample>& samples, double offset)
{
    return rebaseAll(samples, offset);
}

std::vector<ClickEvent> rebase(const std::vector<ClickEvent>& clicks, double offset)
{
    return rebaseAll(clicks, offset);
}

std::vector<FocusedElementSample> rebase(const std::vector<FocusedElementSample>& samples, double offset)
{
    return rebaseAll(samples, offset);
}

std::vector<CaptureFrameSample> captureFrameSamples(const std::vector<CaptureFrameSample>& followed,
                                                    const Rect& captureFrame)
{
    std::vector<CaptureFrameSample> kept;
    for (const auto& sample : followed) {
        const double time = std::max(sample.timestamp, 0.0);
        // One frame is in force at a time: of two at the same moment, the later one.
        if (!kept.empty() && kept.back().timestamp == time)
            kept.pop_back();
        const Rect& inForce = kept.empty() ? captureFrame : kept.back().rect;
        if (sample.rect != inForce)
            kept.push_back({Uuid::random(), time, sample.rect});
    }
    return kept;
}

std::vector<KeyEvent> rebase(const std::vector<KeyEvent>& keys, double offset)
{
    return rebaseAll(keys, offset);
}

ZoomPanEngine::Parameters zoomParameters()
{
    ZoomPanEngine::Parameters p;
    p.clickMergeInterval = 1.2;
    p.clickMergeDistance = 0.12;
    p.zoomLevel = ZoomPanEngine::kDefaultZoomLevel;
    p.leadIn = 0.35;
    p.holdAfter = 1.1;
    p.elementPadding = 0.35;
    p.maxElementFraction = 0.85;
    p.minimumDwell = 0.4;
    return p;
}

std::vector<ZoomRegion> automaticZoomRegions(const RecordingTimeline& timeline)
{
    const auto parameters = zoomParameters();
    if (auto regions = ZoomPanEngine::makeElementBasedZoomRegions(timeline, parameters))
        return *regions;
    return ZoomPanEngine::makeClickBasedZoomRegions(timeline, parameters);
}

std::vector<ZoomRegion> heldToMovie(std::vector<ZoomRegion> regions, double duration)
{
    std::erase_if(regions, [&](const ZoomRegion& r) { return !(r.start < duration); });
    for (ZoomRegion& region : regions)
        region.end = std::min(region.end, duration);
    return regions;
}

RecordingTimeline assemble(const Inputs& in)
{
    RecordingTimeline t;
    t.videoURL = in.videoURL;
    t.cameraURL = in.cameraURL;
    t.microphoneURL = in.microphoneURL;
    t.hasSystemAudio = in.hasSystemAudio;
    t.cameraOverlay.isEnabled = in.cameraSelected;
    t.cameraOverlay.shape = CameraBubbleShape::rounded;
    t.cameraOverlay.cornerRadius = 28;
    t.cameraOverlay.sizeFraction = 0.22;
    t.cameraOverlay.position = {0.84, 0.82};
    t.cameraOverlay.mirrored = true;
    t.background = BackgroundSettings::disabled;
    t.systemAudio.isEnabled = true;
    t.microphoneAudio.isEnabled = true;
    t.cursorOverlay.isEnabled = true;
    t.cursorOverlay.sizeFraction = 0.022;
    t.cursorOverlay.style = CursorStyle::system;
    t.cursorOverlay.showsClickRipples = true;
    t.startedAt = in.startedAt;
    t.captureFrame = in.captureFrame;
    t.captureFrameSamples = captureFrameSamples(in.followedFrames, in.captureFrame);
    const double cursorOffset = offset(in.firstFrame, in.cursorStart);
    t.cursorSamples = rebase(in.cursorSamples, cursorOffset);
    t.clickEvents = rebase(in.clickEvents, cursorOffset);
    t.focusedElementSamples = rebase(in.focusedElementSamples, offset(in.firstFrame, in.focusStart));
    t.keyEvents = rebase(in.keyEvents, offset(in.firstFrame, in.keyStart));
    t.zoomRegions = automaticZoomRegions(t);
    if (in.movieDuration)
        t.zoomRegions = heldToMovie(std::move(t.zoomRegions), *in.movieDuration);
    return t;
}

} // namespace tarnix::TimelineAssembly
