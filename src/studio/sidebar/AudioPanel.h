#pragma once

#include "studio/sidebar/SidebarPanel.h"

// The audio tab: a switch for each sound track the recording has.

namespace tarnix {

class AudioPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;
};

} // namespace tarnix
