#pragma once

#include <QString>

// The style sheet of the settings panel and its controls (dark theme).

namespace tarnix {

QString sidebarStyleSheet();

} // namespace tarnix
