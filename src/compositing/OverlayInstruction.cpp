#include "compositing/OverlayInstruction.h"

namespace tarnix {

OverlayInstruction::OverlayInstruction(media::TimeRange timeRange, media::TrackID screenTrackID,
                                       std::optional<media::TrackID> cameraTrackID,
                                       std::vector<ZoomRegion> regions,
                                       CameraOverlaySettings cameraSettings,
                                       std::optional<BackgroundFrame> backgroundFrame,
                                       std::vector<NormalizedCursorSample> cursorSamples,
                                       CursorOverlaySettings cursorSettings,
                                       std::vector<NormalizedClickSample> clickSamples,
                                       std::vector<RedactRegion> redactRegions,
                                       OverlayEdits edits, KeystrokeOverlay keystrokes)
    : timeRange_(timeRange)
    , screenTrackID_(screenTrackID)
    , cameraTrackID_(cameraTrackID)
    , regions_(std::move(regions))
    , cameraSettings_(cameraSettings)
    , backgroundFrame_(std::move(backgroundFrame))
    , cursorSamples_(std::move(cursorSamples))
    , cursorSettings_(cursorSettings)
    , clickSamples_(std::move(clickSamples))
    , redactRegions_(std::move(redactRegions))
    , edits_(std::move(edits))
    , keystrokes_(std::move(keystrokes))
{
}

std::optional<std::vector<media::TrackID>> OverlayInstruction::requiredSourceTrackIDs() const
{
    std::vector<media::TrackID> ids{screenTrackID_};
    if (cameraTrackID_)
        ids.push_back(*cameraTrackID_);
    return ids;
}

} // namespace tarnix
