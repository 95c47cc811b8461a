#include "studio/StudioEditState.h"

#include <algorithm>

namespace tarnix {

StudioEditState StudioEditState::fromDocument(const RecordingTimeline& timeline)
{
    StudioEditState state;
    static_cast<RecordingEdits&>(state) = timeline;
    return state;
}

RecordingTimeline StudioEditState::appliedTo(RecordingTimeline timeline) const
{
    static_cast<RecordingEdits&>(timeline) = *this;
    return timeline;
}

bool StudioEditState::hasZoomRegion(const Uuid& id) const
{
    return std::any_of(zoomRegions.begin(), zoomRegions.end(),
                       [&](const ZoomRegion& r) { return r.id == id; });
}

bool StudioEditState::hasTextRegion(const Uuid& id) const
{
    return std::any_of(textRegions.begin(), textRegions.end(),
                       [&](const TextRegion& r) { return r.id == id; });
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
