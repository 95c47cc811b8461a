#pragma once

#include <QString>

#include <array>
#include <optional>

// The six settings panels of the Studio, in rail order.

namespace tarnix {

enum class StudioTab { zoom, camera, background, audio, cursor, redact };

inline constexpr std::array<StudioTab, 6> kAllStudioTabs = {
    StudioTab::zoom,  StudioTab::camera, StudioTab::background,
    StudioTab::audio, StudioTab::cursor, StudioTab::redact};

// "zoom", "camera", ... (the identity of a tab).
QString rawValue(StudioTab tab);
std::optional<StudioTab> studioTabFromRawValue(const QString& raw);
// The rail's tooltip and the panel's header: "Zoom", ..., "Privacy".
QString title(StudioTab tab);
// The name of the tab's icon in the application's icon set.
QString iconName(StudioTab tab);

} // namespace tarnix
