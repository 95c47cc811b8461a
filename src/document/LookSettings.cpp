#include "document/LookSettings.h"

namespace tarnix {

const BackgroundSettings BackgroundSettings::disabled{};

std::optional<double> aspectRatio(CanvasAspect aspect)
{
    switch (aspect) {
    case CanvasAspect::source:
        return std::nullopt;
    case CanvasAspect::wide16x9:
        return 16.0 / 9.0;
    case CanvasAspect::tall9x16:
        return 9.0 / 16.0;
    case CanvasAspect::square1x1:
        return 1.0;
    case CanvasAspect::classic4x3:
        return 4.0 / 3.0;
    case CanvasAspect::portrait4x5:
        return 4.0 / 5.0;
    }
    return std::nullopt;
}

const std::vector<GradientPreset>& GradientPreset::all()
{
    static const std::vector<GradientPreset> presets{
        {"midnight", {{0.06, 0.07, 0.14, 1.0}, {0.2, 0.1, 0.32, 1.0}}},
        {"sunset", {{0.98, 0.42, 0.34, 1.0}, {0.93, 0.2, 0.55, 1.0}}},
        {"ocean", {{0.06, 0.45, 0.62, 1.0}, {0.02, 0.16, 0.32, 1.0}}},
        {"violet", {{0.31, 0.27, 0.9, 1.0}, {0.93, 0.28, 0.6, 1.0}}},
        {"forest", {{0.1, 0.3, 0.2, 1.0}, {0.03, 0.1, 0.08, 1.0}}},
        {"slate", {{0.3, 0.32, 0.36, 1.0}, {0.1, 0.11, 0.13, 1.0}}},
    };
    return presets;
}

const GradientPreset& GradientPreset::defaultPreset()
{
    return all().front();
}

const GradientPreset* GradientPreset::find(const std::string& id)
{
    for (const auto& preset : all())
        if (preset.id == id)
            return &preset;
    return nullptr;
}

} // namespace tarnix
