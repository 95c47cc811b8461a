#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>

#include "MediaTestSupport.h"
#include "media/KeyFrameIndex.h"
#include "media/ScrubProxy.h"
#include "media/ScrubProxyMaker.h"
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
    ASSERT_EQ(makeScrubProxy(movie, path, cancel), ScrubProxyResult::made);
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
    EXPECT_EQ(makeScrubProxy(changed, after, cancel), ScrubProxyResult::failed);
    EXPECT_TRUE(std::filesystem::is_empty(folder / "cache"));
    // A movie that can't be read has no proxy, and nothing is left behind either.
    std::filesystem::resize_file(moviePath, 100);
    cancel = false;
    EXPECT_EQ(makeScrubProxy(changed, after, cancel), ScrubProxyResult::failed);
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

TEST(ScrubProxy, ThePicturesKeepTheirTimesWhenTheSoundStartsFirst)
{
    test::TempFolder folder;
    // The picture starts half a second into the movie's time line, after its sound.
    test::makeIndexedMovie(folder / "picture.mp4", 20, 10, 20, -1, 1280, 720);
    test::makeTone(folder / "tone.m4a", 3, 440);
    ASSERT_TRUE(test::runFfmpeg("-itsoffset 0.5 -i \"" + (folder / "picture.mp4").string() +
                                "\" -i \"" + (folder / "tone.m4a").string() +
                                "\" -map 0:v -map 1:a -c copy \"" + (folder / "m.mp4").string() + "\""));
    AssetTrack movie = videoTrack(folder / "m.mp4");
    const auto path = scrubProxyPath(movie, folder / "cache");
    std::atomic<bool> cancel{false};
    ASSERT_EQ(makeScrubProxy(movie, path, cancel), ScrubProxyResult::made);

    VideoFrameReader original(movie);
    VideoFrameReader proxy(videoTrack(path));
    ASSERT_EQ(test::frameIndexOf(original.frameAt(0.75)), 2); // the offset is really there
    for (double t : {0.55, 0.75, 1.02, 1.66, 2.31})
        EXPECT_EQ(test::frameIndexOf(proxy.frameAt(t)), test::frameIndexOf(original.frameAt(t))) << t;
}

TEST(ScrubProxy, OneMakerAtATimeAndAHalfMadeCopyIsStartedOver)
{
    test::TempFolder folder;
    AssetTrack movie = videoTrack(test::makeIndexedMovie(folder / "m.mp4", 30, 10, 30, -1, 1280, 720));
    const auto path = scrubProxyPath(movie, folder / "cache");
    const auto partial = path.string() + ".part";
    std::filesystem::create_directories(path.parent_path());
    std::atomic<bool> cancel{false};

    // Another maker (here: this test) holds the copy being written: it is left to it.
    std::ofstream(partial) << "half a proxy";
    const int held = ::open(partial.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(makeScrubProxy(movie, path, cancel), ScrubProxyResult::busy);
    trimScrubProxies(path.parent_path(), kScrubProxyFolderBytes);
    EXPECT_TRUE(std::filesystem::exists(partial)) << "a copy being written is not tidied away";
    EXPECT_FALSE(std::filesystem::exists(path));

    // Its maker was killed (the lock went with it): the leftover is started over.
    ::close(held);
    ASSERT_EQ(makeScrubProxy(movie, path, cancel), ScrubProxyResult::made);
    EXPECT_FALSE(std::filesystem::exists(partial));
    EXPECT_EQ(keyFrameTimes(videoTrack(path)).size(), 30u);
    EXPECT_EQ(makeScrubProxy(movie, path, cancel), ScrubProxyResult::present);

    // Two makers at once: one writes, the other finds it busy or done; the copy is whole.
    std::filesystem::remove(path);
    auto first = std::async(std::launch::async, [&] { return makeScrubProxy(movie, path, cancel); });
    auto second = std::async(std::launch::async, [&] { return makeScrubProxy(movie, path, cancel); });
    const ScrubProxyResult results[] = {first.get(), second.get()};
    EXPECT_EQ(std::count(std::begin(results), std::end(results), ScrubProxyResult::made), 1);
    EXPECT_EQ(keyFrameTimes(videoTrack(path)).size(), 30u);
    EXPECT_FALSE(std::filesystem::exists(partial));

    // A leftover nobody writes is tidied away with the folder.
    std::ofstream(partial) << "half a proxy";
    trimScrubProxies(path.parent_path(), kScrubProxyFolderBytes);
    EXPECT_FALSE(std::filesystem::exists(partial));
}

TEST(ScrubProxy, TheCopyGoesWhenItsMovieIsDeletedOrChanged)
{
    test::TempFolder folder;
    const auto kept = test::makeIndexedMovie(folder / "kept.mp4", 10, 10, 10, -1, 1280, 720);
    const auto deleted = test::makeIndexedMovie(folder / "deleted.mp4", 10, 10, 10, -1, 1280, 720);
    const auto changed = test::makeIndexedMovie(folder / "changed.mp4", 10, 10, 10, -1, 1280, 720);
    const auto cache = folder / "cache";
    {
        ScrubProxyMaker maker; // as the recorder makes them after a recording
        for (const auto& movie : {kept, deleted, changed})
            maker.makeForMovie(movie, cache);
        maker.wait();
    }
    const auto keptProxy = scrubProxyPath(videoTrack(kept), cache);
    const auto deletedProxy = scrubProxyPath(videoTrack(deleted), cache);
    const auto changedProxy = scrubProxyPath(videoTrack(changed), cache);
    for (const auto& proxy : {keptProxy, deletedProxy, changedProxy})
        ASSERT_TRUE(std::filesystem::exists(proxy));

    std::filesystem::remove(deleted);
    std::ofstream(changed, std::ios::app) << "more";
    trimScrubProxies(cache, kScrubProxyFolderBytes);
    EXPECT_TRUE(std::filesystem::exists(keptProxy));
    EXPECT_FALSE(std::filesystem::exists(deletedProxy));
    EXPECT_FALSE(std::filesystem::exists(changedProxy));
    // Nothing but the kept movie's proxy and the note naming its movie stays.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cache),
                            std::filesystem::directory_iterator()),
              2);
}

} // namespace
} // namespace tarnix::media
