#pragma once

#include "studio/sidebar/SidebarPanel.h"

// The audio tab: a switch for each sound track the recording has, and the microphone's noise
// reduction (a switch and its strength).

namespace tarnix {

class AudioPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;

private:
    void buildNoiseReduction(QVBoxLayout* column);
};

} // namespace tarnix
