#include <gtest/gtest.h>

#include <QImage>

#include "compositing/ImageThumbnailLoader.h"
#include "compositing/SystemWallpaperCatalog.h"
#include "media/MediaTestSupport.h"

namespace tarnix {
namespace {

namespace fs = std::filesystem;

void picture(const fs::path& path, int w, int h)
{
    fs::create_directories(path.parent_path());
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const char* format = path.extension() == ".png" ? "PNG" : "JPEG";
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), format)) << path;
}

std::vector<std::string> names(const std::vector<SystemWallpaper>& wallpapers)
{
    std::vector<std::string> out;
    for (const auto& w : wallpapers)
        out.push_back(w.name);
    return out;
}

TEST(SystemWallpaperCatalog, AppliesEndingsExclusionsMinimumSizeNamingAndOrder)
{
    media::test::TempFolder root;
    picture(root / "Blue Hills.jpg", 1600, 900);
    picture(root / "alpha.png", 1200, 675);          // exactly large enough
    picture(root / "Zeta.jpeg", 1300, 700);
    picture(root / "small.jpg", 1024, 768);          // too small
    picture(root / "Upper.JPG", 1600, 900);          // ending is case-sensitive
    std::ofstream(root / "broken.png") << "not a picture";
    picture(root / "Lake" / "a-thumbnail.jpg", 1600, 900);
    picture(root / "Lake" / "b.jpg", 1600, 900);
    picture(root / "Only" / "Thumbnail.png", 1600, 900);
    picture(root / "Package" / "contents" / "images" / "1280x720.png", 1280, 720);
    picture(root / "Package" / "contents" / "images" / "2560x1440.png", 2560, 1440);
    picture(root / "Package" / "contents" / "screenshot.png", 400, 300);

    auto wallpapers = SystemWallpaperCatalog::discover({root.path(), root / "missing-folder"});
    EXPECT_EQ(names(wallpapers),
              (std::vector<std::string>{"Blue Hills", "Lake", "Package", "Zeta", "alpha"}));
    const SystemWallpaper& hills = wallpapers[0];
    EXPECT_EQ(hills.id, (root / "Blue Hills.jpg").string());
    EXPECT_EQ(hills.path, hills.id);
    EXPECT_EQ(hills.thumbnail.size(), QSize(240, 135));
    EXPECT_EQ(wallpapers[1].path, (root / "Lake" / "b.jpg").string());
    EXPECT_EQ(wallpapers[2].path, (root / "Package" / "contents" / "images" / "2560x1440.png").string());
}

void drawing(const fs::path& path, int w, int h)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "<svg xmlns='http://www.w3.org/2000/svg' width='" << w << "' height='" << h
                        << "'><rect width='100%' height='100%' fill='#3050c0'/></svg>";
}

// GNOME keeps its pictures in a plain sub-folder, some of them drawings.
TEST(SystemWallpaperCatalog, PlainSubfoldersContributeEveryPictureAndDrawingsCount)
{
    media::test::TempFolder root;
    picture(root / "gnome" / "adwaita-l.jpg", 3840, 2160);
    picture(root / "gnome" / "adwaita-d.jpg", 3840, 2160);
    drawing(root / "gnome" / "blobs-d.svg", 4096, 2304);
    drawing(root / "gnome" / "tiny.svg", 800, 600);              // too small
    picture(root / "gnome" / "adwaita-thumbnail.png", 1600, 900); // a preview, not a wallpaper
    drawing(root / "Debian" / "login.svg", 1920, 1080);          // alone: named after its folder

    auto wallpapers = SystemWallpaperCatalog::discover({root.path()});
    EXPECT_EQ(names(wallpapers),
              (std::vector<std::string>{"Debian", "adwaita-d", "adwaita-l", "blobs-d"}));
    const SystemWallpaper& blobs = wallpapers[3];
    EXPECT_EQ(blobs.path, (root / "gnome" / "blobs-d.svg").string());
    EXPECT_EQ(blobs.thumbnail.size(), QSize(240, 135));
    EXPECT_EQ(wallpapers[0].path, (root / "Debian" / "login.svg").string());
}

TEST(ImageThumbnailLoader, SizeAndPreviews)
{
    media::test::TempFolder root;
    picture(root / "wide.png", 1000, 400);
    EXPECT_EQ(ImageThumbnailLoader::pixelSize((root / "wide.png").string()), QSize(1000, 400));
    auto preview = ImageThumbnailLoader::thumbnail((root / "wide.png").string(), 300);
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->size(), QSize(300, 120));
    EXPECT_EQ(ImageThumbnailLoader::thumbnail((root / "wide.png").string(), 5000)->size(),
              QSize(1000, 400));
    EXPECT_FALSE(ImageThumbnailLoader::thumbnail((root / "missing.png").string(), 300));
    EXPECT_FALSE(ImageThumbnailLoader::pixelSize((root / "missing.png").string()));
}

} // namespace
} // namespace tarnix
