#include "studio/StudioSelection.h"

namespace tarnix {

StudioSelection::StudioSelection(const RecordingTimeline& document,
                                 const StudioEditState& editState, QObject* parent)
    : QObject(parent)
    , document_(document)
    , state_(editState)
{
}

template <typename T>
void StudioSelection::assign(std::optional<T>& field, std::optional<T> value)
{
    if (field == value)
        return;
    field = value;
    emit changed();
}

void StudioSelection::setTab(std::optional<StudioTab> tab) { assign(tab_, tab); }
void StudioSelection::setRegionID(std::optional<Uuid> id) { assign(regionID_, id); }
void StudioSelection::setRedactID(std::optional<Uuid> id) { assign(redactID_, id); }
void StudioSelection::setCutID(std::optional<Uuid> id) { assign(cutID_, id); }
void StudioSelection::setTextID(std::optional<Uuid> id) { assign(textID_, id); }
void StudioSelection::setSpeedID(std::optional<Uuid> id) { assign(speedID_, id); }

void StudioSelection::dropStale()
{
    if (regionID_ && !state_.hasZoomRegion(*regionID_))
        setRegionID(std::nullopt);
    if (redactID_ && !state_.hasRedactRegion(*redactID_))
        setRedactID(std::nullopt);
    if (cutID_ && !state_.hasCutRegion(*cutID_))
        setCutID(std::nullopt);
    if (textID_ && !state_.hasTextRegion(*textID_))
        setTextID(std::nullopt);
    if (speedID_ && !state_.hasSpeedRegion(*speedID_))
        setSpeedID(std::nullopt);
}

bool StudioSelection::showsCameraHandle() const
{
    return tab_ == StudioTab::camera && state_.cameraOverlay.isEnabled &&
           document_.cameraURL.has_value();
}

bool StudioSelection::showsRedactHandle() const
{
    return tab_ == StudioTab::redact && redactID_ && state_.hasRedactRegion(*redactID_);
}

bool StudioSelection::showsTextHandle() const
{
    return tab_ == StudioTab::text && textID_ && state_.hasTextRegion(*textID_);
}

} // namespace tarnix
