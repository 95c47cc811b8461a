#pragma once

#include <QObject>

#include <optional>

#include "document/RecordingTimeline.h"
#include "studio/StudioEditState.h"
#include "studio/StudioTab.h"

// What the user has selected in the Studio: the open settings panel, and at most one zoom
// region, blur region, text box, speed segment and cut, each by its identifier. The timeline, the panels and the preview
// handles show it; Delete acts on it.
//
// A selection may name a region that an edit has since removed; dropStale() forgets those, and
// the session calls it after every committed state.
//
// Threads: GUI thread only.

namespace tarnix {

class StudioSelection : public QObject {
    Q_OBJECT

public:
    // `document` and `editState` belong to the caller and outlive this.
    StudioSelection(const RecordingTimeline& document, const StudioEditState& editState,
                    QObject* parent = nullptr);

    std::optional<StudioTab> tab() const { return tab_; }
    std::optional<Uuid> regionID() const { return regionID_; }
    std::optional<Uuid> redactID() const { return redactID_; }
    std::optional<Uuid> cutID() const { return cutID_; }
    std::optional<Uuid> textID() const { return textID_; }
    std::optional<Uuid> speedID() const { return speedID_; }
    void setTab(std::optional<StudioTab> tab);
    void setRegionID(std::optional<Uuid> id);
    void setRedactID(std::optional<Uuid> id);
    void setCutID(std::optional<Uuid> id);
    void setTextID(std::optional<Uuid> id);
    void setSpeedID(std::optional<Uuid> id);

    // Forgets the regions, text boxes, speed segments and cuts the edit state no longer has.
    void dropStale();

    // Which preview handles are shown.
    bool showsCameraHandle() const;
    bool showsRedactHandle() const;
    bool showsTextHandle() const;

signals:
    void changed();

private:
    template <typename T>
    void assign(std::optional<T>& field, std::optional<T> value);

    const RecordingTimeline& document_;
    const StudioEditState& state_;
    std::optional<StudioTab> tab_;
    std::optional<Uuid> regionID_;
    std::optional<Uuid> redactID_;
    std::optional<Uuid> cutID_;
    std::optional<Uuid> textID_;
    std::optional<Uuid> speedID_;
};

} // namespace tarnix
