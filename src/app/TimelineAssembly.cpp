#include "app/TimelineAssembly.h"

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

// The change in force at `time`, if any.
const PictureChange* changeAt(const std::vector<PictureChange>& changes, double time)
{
    const PictureChange* current = nullptr;
    for (const PictureChange& change : changes)
        if (change.time <= time)
            current = &change;
    return current;
}

template <typename T>
void placeAll(std::vector<T>& records, const std::vector<PictureChange>& changes, const Rect& captureFrame)
{
    for (T& record : records) {
        const PictureChange* change = changeAt(changes, record.timestamp);
        if (!change)
            continue;
        if constexpr (requires { record.point; }) {
            record.point = placeOnMovie(record.point, *change, captureFrame);
        } else {
            const Point low = placeOnMovie({record.rect.x, record.rect.y}, *change, captureFrame);
            const Point high = placeOnMovie({record.rect.maxX(), record.rect.maxY()}, *change, captureFrame);
            record.rect = {low.x, low.y, high.x - low.x, high.y - low.y};
        }
    }
}

} // namespace

Point placeOnMovie(Point point, const PictureChange& change, const Rect& captureFrame)
{
    if (change.shown.width <= 0 || change.shown.height <= 0)
        return point;
    const double u = (point.x - change.shown.x) / change.shown.width;
    const double v = (point.y - change.shown.y) / change.shown.height;
    return {captureFrame.x + (change.placed.x + u * change.placed.width) * captureFrame.width,
            captureFrame.y + (change.placed.y + v * change.placed.height) * captureFrame.height};
}

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

ZoomPanEngine::Parameters zoomParameters()
{
    ZoomPanEngine::Parameters p;
    p.clickMergeInterval = 1.2;
    p.clickMergeDistance = 0.12;
    p.zoomLevel = 1.7;
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
    const double cursorOffset = offset(in.firstFrame, in.cursorStart);
    t.cursorSamples = rebase(in.cursorSamples, cursorOffset);
    t.clickEvents = rebase(in.clickEvents, cursorOffset);
    t.focusedElementSamples = rebase(in.focusedElementSamples, offset(in.firstFrame, in.focusStart));
    placeAll(t.cursorSamples, in.pictureChanges, t.captureFrame);
    placeAll(t.clickEvents, in.pictureChanges, t.captureFrame);
    placeAll(t.focusedElementSamples, in.pictureChanges, t.captureFrame);
    t.zoomRegions = automaticZoomRegions(t);
    return t;
}

} // namespace tarnix::TimelineAssembly
