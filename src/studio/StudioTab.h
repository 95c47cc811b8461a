#pragma once

#include <array>
#include <optional>
#include <string_view>

// The Studio's settings panels, in the order of the icon rail.

namespace tarnix {

enum class StudioTab { zoom, camera, background, audio, cursor, redact, text, keys };

inline constexpr std::array<StudioTab, 8> kAllStudioTabs = {
    StudioTab::zoom,   StudioTab::camera, StudioTab::background, StudioTab::audio,
    StudioTab::cursor, StudioTab::redact, StudioTab::text,       StudioTab::keys};

std::string_view rawValue(StudioTab tab); // "zoom", "camera", ...
std::optional<StudioTab> studioTabFromRawValue(std::string_view raw);

} // namespace tarnix
