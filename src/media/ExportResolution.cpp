#include "media/ExportResolution.h"

#include "files/AtomicFile.h"

#include <QtGlobal>

#include <string>

namespace tarnix {

namespace {

struct ResolutionInfo {
    std::string_view raw;
    std::string_view menuItem;
    std::string_view menuButton;
    std::string_view suffix;
    media::ExportPreset preset;
};

const ResolutionInfo& info(ExportResolution resolution)
{
    static const ResolutionInfo table[] = {
        // The Studio translates the menu's texts (the others read the same in every language).
        {"source", QT_TRANSLATE_NOOP("tarnix::ExportResolution", "Source Quality"),
         QT_TRANSLATE_NOOP("tarnix::ExportResolution", "Source"), "edited", media::ExportPreset::highestQuality},
        {"uhd4K", "4K (2160p)", "4K", "edited-4k", media::ExportPreset::preset3840x2160},
        {"fhd1080p", "1080p", "1080p", "edited-1080p", media::ExportPreset::preset1920x1080},
        {"hd720p", "720p", "720p", "edited-720p", media::ExportPreset::preset1280x720},
    };
    return table[int(resolution)];
}

} // namespace

std::string_view rawValue(ExportResolution resolution) { return info(resolution).raw; }
std::string_view menuItemText(ExportResolution resolution) { return info(resolution).menuItem; }
std::string_view menuButtonText(ExportResolution resolution) { return info(resolution).menuButton; }
std::string_view fileNameSuffix(ExportResolution resolution) { return info(resolution).suffix; }
media::ExportPreset exportPreset(ExportResolution resolution) { return info(resolution).preset; }

media::ExportPreset compatibleExportPreset(ExportResolution resolution,
                                           const media::Composition& composition,
                                           const media::VideoComposition& videoComposition)
{
    media::ExportPreset preset = exportPreset(resolution);
    if (media::determineCompatibility(preset, composition, videoComposition))
        return preset;
    return media::ExportPreset::highestQuality;
}

std::optional<ExportResolution> exportResolutionFromRawValue(std::string_view raw)
{
    for (ExportResolution resolution : kAllExportResolutions)
        if (rawValue(resolution) == raw)
            return resolution;
    return std::nullopt;
}

std::filesystem::path baseExportURL(const std::filesystem::path& sourceURL,
                                    ExportResolution resolution, std::string_view extension)
{
    // A source name near the file system's limit gets a shortened stem, never a refused export.
    return fittedPath(sourceURL.parent_path(), sourceURL.filename().stem().string(),
                      "-" + std::string(fileNameSuffix(resolution)) + std::string(extension));
}

std::filesystem::path makeExportURL(const std::filesystem::path& sourceURL,
                                    ExportResolution resolution)
{
    return makeExportURL(sourceURL, resolution, ".mp4");
}

std::filesystem::path makeExportURL(const std::filesystem::path& sourceURL,
                                    ExportResolution resolution, std::string_view extension)
{
    const std::filesystem::path base = baseExportURL(sourceURL, resolution, extension);
    std::filesystem::path candidate = base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(candidate, ec); ++n)
        candidate = numberedFileName(base, n);
    return candidate;
}

} // namespace tarnix
