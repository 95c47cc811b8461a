#pragma once

#include <vector>

#include "compositing/CompositionBuilder.h"
#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"

// Everything the Studio lets a user change about a recording: the zoom and blur regions and the
// look settings. A plain value; the editor keeps the live one, the last committed one and the
// undo history as copies of it. The recording document itself is never changed by editing: a
// save writes a copy with these fields replaced.

namespace tarnix {

struct StudioEditState {
    std::vector<ZoomRegion> regions;
    CameraOverlaySettings cameraOverlay;
    BackgroundSettings background;
    AudioTrackSettings systemAudio;
    AudioTrackSettings microphoneAudio;
    CursorOverlaySettings cursorOverlay;
    std::vector<RedactRegion> redactRegions;
    // Spans left out of the output; edit with addingCut() (document/CutRegions.h), which merges
    // and clips, and refuse an edit after which KeptTime(...).isEmpty().
    std::vector<CutRegion> cutRegions;

    // The document's own regions and settings.
    static StudioEditState fromDocument(const RecordingTimeline& timeline);

    // The document with its regions and settings replaced by these (what is saved and exported).
    RecordingTimeline appliedTo(RecordingTimeline timeline) const;

    // What the composition builder gets for this state.
    CompositionBuilder::BuildInput buildInput(const RecordingTimeline& timeline) const;

    bool hasZoomRegion(const Uuid& id) const;
    bool hasRedactRegion(const Uuid& id) const;
    bool hasCutRegion(const Uuid& id) const;

    bool operator==(const StudioEditState&) const = default;
};

} // namespace tarnix
