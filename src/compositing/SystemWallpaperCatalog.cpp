#include "compositing/SystemWallpaperCatalog.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "compositing/ImageThumbnailLoader.h"

namespace tarnix::SystemWallpaperCatalog {

namespace fs = std::filesystem;

namespace {

struct Candidate {
    std::string name;
    fs::path path;
};

bool isPicture(const std::string& fileName)
{
    for (const char* ending : {".jpg", ".jpeg", ".png", ".webp", ".svg"})
        if (fileName.ends_with(ending))
            return true;
    return false;
}

bool mentionsThumbnail(const std::string& fileName)
{
    return QString::fromStdString(fileName).contains(QStringLiteral("thumbnail"),
                                                     Qt::CaseInsensitive);
}

// Entries of a folder sorted by name (plain order); empty when it cannot be listed.
std::vector<fs::directory_entry> listing(const fs::path& folder)
{
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename().string() < b.path().filename().string();
    });
    return entries;
}

bool isFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_regular_file(ec);
}

bool isFolder(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_directory(ec);
}

// A wallpaper package's largest image (by pixel count; the first in name order among equals).
std::optional<fs::path> largestPackageImage(const fs::path& images)
{
    std::optional<fs::path> best;
    long long bestPixels = -1;
    for (const auto& entry : listing(images)) {
        std::string fileName = entry.path().filename().string();
        if (!isFile(entry) || !isPicture(fileName) || mentionsThumbnail(fileName))
            continue;
        auto size = ImageThumbnailLoader::pixelSize(entry.path().string());
        long long pixels = size ? (long long)size->width() * size->height() : 0;
        if (pixels > bestPixels) {
            bestPixels = pixels;
            best = entry.path();
        }
    }
    return best;
}

// What a sub-folder contributes: a wallpaper package its largest image, named after the folder;
// any other folder (GNOME's "gnome", a distribution's theme folder) every picture in it that is
// not a thumbnail, named after the folder when it is the only one and after the file otherwise.
void collectSubfolder(const fs::path& folder, std::vector<Candidate>& sub)
{
    std::error_code ec;
    std::string folderName = folder.filename().string();
    fs::path images = folder / "contents" / "images";
    if (fs::is_directory(images, ec)) {
        if (auto picture = largestPackageImage(images))
            sub.push_back({folderName, *picture});
        return;
    }
    std::vector<fs::path> pictures;
    for (const auto& entry : listing(folder)) {
        std::string fileName = entry.path().filename().string();
        if (isFile(entry) && isPicture(fileName) && !mentionsThumbnail(fileName))
            pictures.push_back(entry.path());
    }
    for (const auto& picture : pictures)
        sub.push_back({pictures.size() == 1 ? folderName : picture.stem().string(), picture});
}

void collectCandidates(const fs::path& root, std::vector<Candidate>& main,
                       std::vector<Candidate>& sub)
{
    for (const auto& entry : listing(root)) {
        std::string fileName = entry.path().filename().string();
        if (isFile(entry) && isPicture(fileName))
            main.push_back({entry.path().stem().string(), entry.path()});
        else if (isFolder(entry))
            collectSubfolder(entry.path(), sub);
    }
}

} // namespace

std::vector<fs::path> defaultRoots()
{
    std::vector<fs::path> roots = {"/usr/share/backgrounds", "/usr/share/wallpapers"};
    if (const char* home = std::getenv("HOME"); home && *home)
        roots.push_back(fs::path(home) / ".local/share/backgrounds");
    return roots;
}

std::vector<SystemWallpaper> discover(const std::vector<fs::path>& roots)
{
    std::vector<Candidate> main;
    std::vector<Candidate> sub;
    for (const auto& root : roots)
        collectCandidates(root, main, sub);
    main.insert(main.end(), sub.begin(), sub.end());

    std::vector<SystemWallpaper> wallpapers;
    for (const auto& candidate : main) {
        std::string path = candidate.path.string();
        auto preview = ImageThumbnailLoader::thumbnail(path, kPreviewPixelSize);
        if (!preview)
            continue;
        auto size = ImageThumbnailLoader::pixelSize(path);
        if (!size || std::max(size->width(), size->height()) < kMinimumPixelSize)
            continue;
        wallpapers.push_back({path, candidate.name, path, *preview});
    }
    std::stable_sort(wallpapers.begin(), wallpapers.end(),
                     [](const auto& a, const auto& b) { return a.name < b.name; });
    return wallpapers;
}

const std::vector<SystemWallpaper>& all()
{
    static const std::vector<SystemWallpaper> catalogue = discover(defaultRoots());
    return catalogue;
}

} // namespace tarnix::SystemWallpaperCatalog
