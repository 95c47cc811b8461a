#pragma once

#include "document/RecordingTimeline.h"

// Everything the Studio lets a user change about a recording: the document's edits
// (RecordingEdits) as a value of their own. The editor keeps the live one, the last committed one
// and the undo history as copies of it. The recording document itself is never changed by
// editing: the edits flow one way, document -> edit state -> edited document (appliedTo), which is
// what is saved, previewed and exported.

namespace tarnix {

struct StudioEditState : RecordingEdits {
    // The document's own edits.
    static StudioEditState fromDocument(const RecordingTimeline& timeline);

    // The document with its edits replaced by these.
    RecordingTimeline appliedTo(RecordingTimeline timeline) const;

    bool hasZoomRegion(const Uuid& id) const { return findByID(zoomRegions, id) != nullptr; }
    bool hasRedactRegion(const Uuid& id) const { return findByID(redactRegions, id) != nullptr; }
    bool hasCutRegion(const Uuid& id) const { return findByID(cutRegions, id) != nullptr; }
    bool hasTextRegion(const Uuid& id) const { return findByID(textRegions, id) != nullptr; }
    bool hasSpeedRegion(const Uuid& id) const { return findByID(speedRegions, id) != nullptr; }

    bool operator==(const StudioEditState&) const = default;
};

} // namespace tarnix
