#pragma once

#include "studio/sidebar/SidebarPanel.h"

// The keys tab: whether the keys pressed are shown as a pill on the picture, its size, its edge
// (bottom or top) and its style (dark or light). Disabled, with a line saying why, for a
// recording that kept no key presses.

namespace tarnix {

class KeysPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;
};

} // namespace tarnix
