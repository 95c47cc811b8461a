#pragma once

#include <optional>
#include <vector>

#include "compositing/BackgroundRenderer.h"
#include "compositing/KeystrokeRenderer.h"
#include "compositing/NormalizedSamples.h"
#include "document/CutRegions.h"
#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"
#include "media/VideoCompositing.h"

// Everything the overlay compositor needs to draw any frame of one composition: zoom regions,
// camera bubble settings, the prepared background, the cursor and click samples, the cursor
// settings and the redact regions. Made once per composition build and immutable afterwards, so
// compositor threads read it without locks.

namespace tarnix {

// How a composition departs from the recording as it was recorded.
struct OverlayEdits {
    // The kept source time: the compositor is asked for composition (output) times and draws
    // everything timed (zoom, cursor, clicks, blur) at the source time shown then. Nothing cut by
    // default.
    KeptTime keptTime;
    // On a canvas of another aspect than the recording: the recording-shaped frame around the
    // content (canvas pixels, lower-left origin) in which the camera bubble is placed and whose
    // width the overlays' sizes are fractions of. Absent: the whole canvas.
    std::optional<Rect> overlayFrame;
    // Text drawn over the canvas, timed in movie (output) time so that its fades keep their length
    // in a sped-up span. None by default.
    std::vector<TextRegion> textRegions;
};

// The keys pressed, ready to draw (kept presses only, in time order, timed in movie time), and how
// they are shown.
struct KeystrokeOverlay {
    std::vector<KeystrokeRenderer::Keystroke> keystrokes;
    KeystrokeOverlaySettings settings;
};

class OverlayInstruction final : public media::VideoCompositionInstruction {
public:
    // The screen track always has this id.
    static constexpr media::TrackID kScreenTrackID = 1;

    // cursorSamples and clickSamples must be sorted by time (clicks: button presses only).
    OverlayInstruction(media::TimeRange timeRange, media::TrackID screenTrackID,
                       std::optional<media::TrackID> cameraTrackID, std::vector<ZoomRegion> regions,
                       CameraOverlaySettings cameraSettings,
                       std::optional<BackgroundFrame> backgroundFrame,
                       std::vector<NormalizedCursorSample> cursorSamples,
                       CursorOverlaySettings cursorSettings,
                       std::vector<NormalizedClickSample> clickSamples,
                       std::vector<RedactRegion> redactRegions, OverlayEdits edits = {},
                       KeystrokeOverlay keystrokes = {});

    media::TimeRange timeRange() const override { return timeRange_; }
    bool enablePostProcessing() const override { return false; }
    bool containsTweening() const override { return true; }
    // The screen track, then the camera track when there is one.
    std::optional<std::vector<media::TrackID>> requiredSourceTrackIDs() const override;
    media::TrackID passthroughTrackID() const override { return media::kInvalidTrackID; }
    bool containsTintColor() const { return false; }

    media::TrackID screenTrackID() const { return screenTrackID_; }
    std::optional<media::TrackID> cameraTrackID() const { return cameraTrackID_; }
    const std::vector<ZoomRegion>& regions() const { return regions_; }
    const CameraOverlaySettings& cameraSettings() const { return cameraSettings_; }
    const std::optional<BackgroundFrame>& backgroundFrame() const { return backgroundFrame_; }
    const std::vector<NormalizedCursorSample>& cursorSamples() const { return cursorSamples_; }
    const CursorOverlaySettings& cursorSettings() const { return cursorSettings_; }
    const std::vector<NormalizedClickSample>& clickSamples() const { return clickSamples_; }
    const std::vector<RedactRegion>& redactRegions() const { return redactRegions_; }
    const OverlayEdits& edits() const { return edits_; }
    const KeystrokeOverlay& keystrokes() const { return keystrokes_; }
    // The source time shown at composition time t.
    double sourceTime(double t) const { return edits_.keptTime.sourceTime(t); }

private:
    media::TimeRange timeRange_;
    media::TrackID screenTrackID_;
    std::optional<media::TrackID> cameraTrackID_;
    std::vector<ZoomRegion> regions_;
    CameraOverlaySettings cameraSettings_;
    std::optional<BackgroundFrame> backgroundFrame_;
    std::vector<NormalizedCursorSample> cursorSamples_;
    CursorOverlaySettings cursorSettings_;
    std::vector<NormalizedClickSample> clickSamples_;
    std::vector<RedactRegion> redactRegions_;
    OverlayEdits edits_;
    KeystrokeOverlay keystrokes_;
};

} // namespace tarnix
