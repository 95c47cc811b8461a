#pragma once

#include <QString>

#include "studio/StudioTab.h"

// What the rail and the panels show of a tab.

namespace tarnix {

// The rail's tooltip and the panel's header: "Zoom", ..., "Privacy", "Keys".
QString title(StudioTab tab);
// The name of the tab's icon in the application's icon set.
QString iconName(StudioTab tab);

} // namespace tarnix
