#include "studio/StudioEditState.h"

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

} // namespace tarnix
