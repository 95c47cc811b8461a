#pragma once

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

// The desktop pictures installed on this system, offered as image backgrounds: found once per
// process, large ones only (longer side at least 1200 pixels), each with a preview of at most
// 240 pixels, sorted by name.
//
// Where they are looked for (roots): /usr/share/backgrounds, /usr/share/wallpapers and
// ~/.local/share/backgrounds. In each root:
// - every picture file directly in it is a wallpaper named after the file without its ending;
// - a wallpaper package S (S/contents/images/<size>.<ending>, KDE's layout) gives its largest
//   image, named S;
// - any other sub-folder S (GNOME's /usr/share/backgrounds/gnome) gives every picture in it whose
//   file name does not contain "thumbnail" in any letter case: named S when it is the only one,
//   else after the file without its ending.
// Pictures are files ending exactly (case-sensitively) in ".jpg", ".jpeg", ".png", ".webp" or
// ".svg" (drawn by Qt SVG's image plugin; its size is the drawing's own).
//
// Threads: all() may be called from any thread; the first call scans and blocks its caller.

namespace tarnix {

struct SystemWallpaper {
    std::string id;   // equal to path
    std::string name; // display name
    std::string path; // full path of the image file
    QImage thumbnail; // at most 240 pixels on its longer side
    bool operator==(const SystemWallpaper& other) const
    {
        return id == other.id && name == other.name && path == other.path;
    }
};

namespace SystemWallpaperCatalog {

inline constexpr int kPreviewPixelSize = 240;
inline constexpr int kMinimumPixelSize = 1200;

// The roots scanned by all(), in order.
std::vector<std::filesystem::path> defaultRoots();

// Scans the given roots now (for tests and for all()).
std::vector<SystemWallpaper> discover(const std::vector<std::filesystem::path>& roots);

// The catalogue of defaultRoots(), scanned once per process and never refreshed.
const std::vector<SystemWallpaper>& all();

} // namespace SystemWallpaperCatalog

} // namespace tarnix
