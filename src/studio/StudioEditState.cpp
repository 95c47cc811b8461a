#include "studio/StudioEditState.h"

#include <algorithm>

namespace tarnix {

StudioEditState StudioEditState::fromDocument(const RecordingTimeline& timeline)
{
    return {timeline.zoomRegions,      timeline.cameraOverlay,   timeline.background,
            timeline.systemAudio,      timeline.microphoneAudio, timeline.cursorOverlay,
            timeline.redactRegions,    timeline.cutRegions};
}

RecordingTimeline StudioEditState::appliedTo(RecordingTimeline timeline) const
{
    timeline.zoomRegions = regions;
    timeline.cameraOverlay = cameraOverlay;
    timeline.background = background;
    timeline.systemAudio = systemAudio;
    timeline.microphoneAudio = microphoneAudio;
    timeline.cursorOverlay = cursorOverlay;
    timeline.redactRegions = redactRegions;
    timeline.cutRegions = cutRegions;
    return timeline;
}

CompositionBuilder::BuildInput StudioEditState::buildInput(const RecordingTimeline& timeline) const
{
    // The builder reads the cuts from the timeline it is given.
    RecordingTimeline edited = timeline;
    edited.cutRegions = cutRegions;
    return {edited,       regions,         cameraOverlay, background,
            systemAudio,  microphoneAudio, cursorOverlay, redactRegions};
}

bool StudioEditState::hasZoomRegion(const Uuid& id) const
{
    return std::any_of(regions.begin(), regions.end(), [&](const ZoomRegion& r) { return r.id == id; });
}

bool StudioEditState::hasRedactRegion(const Uuid& id) const
{
    return std::any_of(redactRegions.begin(), redactRegions.end(),
                       [&](const RedactRegion& r) { return r.id == id; });
}

bool StudioEditState::hasCutRegion(const Uuid& id) const
{
    return std::any_of(cutRegions.begin(), cutRegions.end(),
                       [&](const CutRegion& c) { return c.id == id; });
}

} // namespace tarnix
