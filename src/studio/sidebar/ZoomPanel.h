#pragma once

#include "studio/sidebar/SidebarPanel.h"

// The zoom tab: the list of zoom regions, and the selected one's level and "Delete Zoom".

namespace tarnix {

class ZoomPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;
};

} // namespace tarnix
