#pragma once

#include "studio/sidebar/SidebarPanel.h"

// The cursor tab: show, style, size, click ripples and smooth movement with its strength.

namespace tarnix {

class CursorPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;
};

} // namespace tarnix
