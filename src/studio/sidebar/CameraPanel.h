#pragma once

#include "studio/sidebar/SidebarPanel.h"

// The camera tab: show, mirror, the bubble's shape, corner radius, size and corner.

namespace tarnix {

class CameraPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;
};

} // namespace tarnix
