#pragma once

#include "document/RecordingTimeline.h"
#include "studio/sidebar/SidebarPanel.h"

// The text tab: "Add Text at Playhead", the list of text boxes, and the selected one's text,
// size, colour, background pill and "Delete Text".

namespace tarnix {

class TextPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;

private:
    void buildBoxControls(QVBoxLayout* column, const TextRegion& box);
};

} // namespace tarnix
