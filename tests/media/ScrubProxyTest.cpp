#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "MediaTestSupport.h"
#include "media/KeyFrameIndex.h"
#include "media/ScrubProxy.h"
#include "media/VideoFrameReader.h"

namespace tarnix::media {
namespace {

AssetTrack videoTrack(const std::filesystem::path& path)
{
    return MediaAsset::load(path).tracks(MediaType::video).at(0);
}

TEST(ScrubProxy, EveryFrameOfTheMovieStandsOnItsOwnAtItsTimeAndSmall)
{
    test::TempFolder folder;
    // Variable spacing from frame 30 on, as a recording of a still screen has.
    AssetTrack movie = videoTrack(test::makeIndexedMovie(folder / "m.mp4", 36, 10, 36, 30, 1280, 720));
    ASSERT_TRUE(wantsScrubProxy(movie));
    const auto path = scrubProxyPath(movie, folder / "cache");
    std::atomic<bool> cancel{false};
    ASSERT_TRUE(makeScrubProxy(movie, path, cancel));
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".part"));

    AssetTrack proxy = videoTrack(path);
    EXPECT_EQ(proxy.naturalSize, QSize(640, 360));
    EXPECT_EQ(keyFrameTimes(proxy).size(), 36u);
    VideoFrameReader reader(proxy);
    for (double t : {2.95, 0.0, 1.27, 3.2, 3.49, 3.5, 5.6})
        EXPECT_EQ(test::frameIndexOf(reader.frameAt(t)),
                  t < 3 ? int(t * 10 + 1e-6) : 30 + int((t - 3) * 2 + 1e-6))
            << t;

    // A small movie needs none.
    EXPECT_FALSE(wantsScrubProxy(videoTrack(test::makeIndexedMovie(folder / "s.mp4", 3, 10, 3))));
}

TEST(ScrubProxy, AChangedMovieGetsANewNameAndACancelledProxyLeavesNothing)
{
    test::TempFolder folder;
    const auto moviePath = test::makeIndexedMovie(folder / "m.mp4", 20, 10, 20, -1, 1280, 720);
    const auto before = scrubProxyPath(videoTrack(moviePath), folder / "cache");
    test::makeIndexedMovie(folder / "other.mp4", 25, 10, 25, -1, 1280, 720);
    std::filesystem::rename(folder / "other.mp4", moviePath);
    AssetTrack changed = videoTrack(moviePath);
    const auto after = scrubProxyPath(changed, folder / "cache");
    EXPECT_NE(before, after);
    EXPECT_EQ(after.parent_path(), folder / "cache");

    std::atomic<bool> cancel{true};
    EXPECT_FALSE(makeScrubProxy(changed, after, cancel));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "cache"));
    // A movie that can't be read has no proxy, and nothing is left behind either.
    std::filesystem::resize_file(moviePath, 100);
    cancel = false;
    EXPECT_FALSE(makeScrubProxy(changed, after, cancel));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "cache"));
}

TEST(ScrubProxy, TheFolderKeepsTheNewestProxiesWithinItsSize)
{
    test::TempFolder folder;
    auto makeFile = [](const std::filesystem::path& path, std::uintmax_t size) {
        std::ofstream(path).put('x');
        std::filesystem::resize_file(path, size);
    };
    const auto now = std::filesystem::file_time_type::clock::now();
    for (int i = 0; i < 4; ++i) {
        const auto path = folder / (std::to_string(i) + ".mkv");
        makeFile(path, 1000);
        std::filesystem::last_write_time(path, now - std::chrono::hours(4 - i));
    }
    makeFile(folder / "notes.txt", 5000);
    trimScrubProxies(folder.path(), 2500);
    EXPECT_FALSE(std::filesystem::exists(folder / "0.mkv"));
    EXPECT_FALSE(std::filesystem::exists(folder / "1.mkv"));
    EXPECT_TRUE(std::filesystem::exists(folder / "2.mkv"));
    EXPECT_TRUE(std::filesystem::exists(folder / "3.mkv"));
    EXPECT_TRUE(std::filesystem::exists(folder / "notes.txt")); // not a proxy
}

} // namespace
} // namespace tarnix::media
