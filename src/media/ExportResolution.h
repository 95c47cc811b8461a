#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

#include "media/ExportPreset.h"

// The export resolutions the editor offers, their texts and file-name suffixes, and the naming of
// export files next to the recorded screen movie. Pure; callable from any thread.

namespace tarnix {

enum class ExportResolution { source, uhd4K, fhd1080p, hd720p };

inline constexpr std::array<ExportResolution, 4> kAllExportResolutions = {
    ExportResolution::source, ExportResolution::uhd4K, ExportResolution::fhd1080p,
    ExportResolution::hd720p};

std::string_view rawValue(ExportResolution resolution);      // "source", "uhd4K", ...
std::optional<ExportResolution> exportResolutionFromRawValue(std::string_view raw);
std::string_view menuItemText(ExportResolution resolution);  // "Source Quality", "4K (2160p)", ...
std::string_view menuButtonText(ExportResolution resolution); // "Source", "4K", ...
std::string_view fileNameSuffix(ExportResolution resolution); // "edited", "edited-4k", ...
media::ExportPreset exportPreset(ExportResolution resolution);

// The resolution's preset when the exporter can write the composition with it, else the
// highest-quality preset (which keeps the render size).
media::ExportPreset compatibleExportPreset(ExportResolution resolution,
                                           const media::Composition& composition,
                                           const media::VideoComposition& videoComposition);

// The first free name in the source's folder: "<base>-<suffix>.mp4", then "<base>-<suffix>-2.mp4",
// "-3", ... where base is the source's file name without its last extension. Never returns an
// existing file (checking and writing later are not atomic).
std::filesystem::path makeExportURL(const std::filesystem::path& sourceURL,
                                    ExportResolution resolution);
// The same for another kind of file, named with its extension (".gif" for an animated GIF).
std::filesystem::path makeExportURL(const std::filesystem::path& sourceURL,
                                    ExportResolution resolution, std::string_view extension);

} // namespace tarnix
