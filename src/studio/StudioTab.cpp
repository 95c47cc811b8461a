#include "studio/StudioTab.h"

namespace tarnix {

std::string_view rawValue(StudioTab tab)
{
    switch (tab) {
    case StudioTab::zoom: return "zoom";
    case StudioTab::camera: return "camera";
    case StudioTab::background: return "background";
    case StudioTab::audio: return "audio";
    case StudioTab::cursor: return "cursor";
    case StudioTab::redact: return "redact";
    case StudioTab::text: return "text";
    case StudioTab::keys: return "keys";
    }
    return "zoom";
}

std::optional<StudioTab> studioTabFromRawValue(std::string_view raw)
{
    for (StudioTab tab : kAllStudioTabs)
        if (rawValue(tab) == raw)
            return tab;
    return std::nullopt;
}

} // namespace tarnix
