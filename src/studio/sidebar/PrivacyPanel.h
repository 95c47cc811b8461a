#pragma once

#include "document/RecordingTimeline.h"
#include "studio/sidebar/SidebarPanel.h"

// The blur tab: "Add Blur at Playhead", the list of blur regions, and the selected one's
// times, size and "Delete Blur".

namespace tarnix {

class PrivacyPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;

private:
    void buildRegionControls(QVBoxLayout* column, const RedactRegion& region);
};

} // namespace tarnix
