#include <gtest/gtest.h>

#include <fstream>

#include "MediaTestSupport.h"
#include "media/Composition.h"
#include "media/VideoComposition.h"

namespace tarnix::media {
namespace {

AssetTrack videoSource(double duration)
{
    return AssetTrack{"/nowhere/screen.mp4", 0, MediaType::video, QSize(64, 48), {0, duration}};
}

TEST(Composition, TracksKeepTheirIdsAndRefuseTakenOnes)
{
    Composition composition;
    ASSERT_NE(composition.addMutableTrack(MediaType::video, 1), nullptr);
    ASSERT_NE(composition.addMutableTrack(MediaType::audio, 3), nullptr);
    EXPECT_EQ(composition.addMutableTrack(MediaType::audio, 3), nullptr);
    const CompositionTrack* picked = composition.addMutableTrack(MediaType::video, kInvalidTrackID);
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(picked->trackID, 2);
    EXPECT_EQ(composition.tracks(MediaType::video).size(), 2u);
    EXPECT_EQ(composition.track(3)->mediaType, MediaType::audio);
}

TEST(Composition, InsertionPlacesTheRangeAndReportsFailuresAsValues)
{
    Composition composition;
    composition.addMutableTrack(MediaType::video, 1);
    AssetTrack source = videoSource(5);
    EXPECT_FALSE(composition.insertTimeRange(1, {0, 3}, source, 0));
    EXPECT_DOUBLE_EQ(composition.duration(), 3);
    const CompositionTrack* track = composition.track(1);
    EXPECT_NE(track->segmentAt(2.99), nullptr);
    EXPECT_EQ(track->segmentAt(3.0), nullptr);

    AssetTrack late = source;
    late.timeRange = {0.5, 4.5}; // starts after its file does: still insertable from 0
    EXPECT_FALSE(composition.insertTimeRange(1, {0, 0.5}, late, 3));
    EXPECT_DOUBLE_EQ(composition.duration(), 3.5);
    auto outside = composition.insertTimeRange(1, {5.5, 1}, source, 3.5);
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->domain, "Tarnix.Composition");
    EXPECT_TRUE(composition.insertTimeRange(1, {0, 0}, source, 3.5));   // empty
    EXPECT_TRUE(composition.insertTimeRange(1, {-1, 2}, source, 3.5));  // negative
    EXPECT_TRUE(composition.insertTimeRange(9, {0, 1}, source, 0));     // no such track
    AssetTrack audio = source;
    audio.mediaType = MediaType::audio;
    EXPECT_TRUE(composition.insertTimeRange(1, {0, 1}, audio, 3.5));    // wrong media type
    EXPECT_TRUE(composition.insertTimeRange(1, {0, 1}, source, 1.5));   // inside a segment
    EXPECT_DOUBLE_EQ(composition.duration(), 3.5); // failures changed nothing
}

TEST(Composition, InsertingAtTheFrontMovesLaterSegments)
{
    Composition composition;
    composition.addMutableTrack(MediaType::video, 1);
    AssetTrack source = videoSource(5);
    composition.insertTimeRange(1, {0, 2}, source, 0);
    composition.insertTimeRange(1, {3, 1}, source, 0);
    const CompositionTrack* track = composition.track(1);
    ASSERT_EQ(track->segments.size(), 2u);
    EXPECT_DOUBLE_EQ(track->segments[1].compositionStart, 1);
    EXPECT_DOUBLE_EQ(track->segmentAt(0.5)->sourceTime(0.5), 3.5);
    EXPECT_DOUBLE_EQ(track->segmentAt(1.5)->sourceTime(1.5), 0.5);
}

TEST(VideoComposition, FrameCountCoversTheDurationAtThirtyFramesPerSecond)
{
    VideoComposition video;
    EXPECT_EQ(frameCount(2.0, video), 60);
    EXPECT_EQ(frameCount(2.01, video), 61);
    EXPECT_EQ(frameCount(0, video), 0);
}

TEST(MediaAsset, ReadsTracksSizeAndDuration)
{
    test::TempFolder folder;
    auto path = test::makeMovie(folder / "screen.mp4", 1.0, 160, 90, true);
    MediaAsset asset = MediaAsset::load(path);
    EXPECT_NEAR(asset.duration(), 1.0, 0.05);
    ASSERT_EQ(asset.tracks(MediaType::video).size(), 1u);
    EXPECT_EQ(asset.tracks(MediaType::video)[0].naturalSize, QSize(160, 90));
    ASSERT_EQ(asset.tracks(MediaType::audio).size(), 1u);
    EXPECT_NEAR(asset.tracks(MediaType::audio)[0].timeRange.duration, 1.0, 0.05);
}

TEST(MediaAsset, BadFilesGiveAClearErrorInsteadOfACrash)
{
    test::TempFolder folder;
    auto expectError = [](const std::filesystem::path& path) {
        try {
            MediaAsset::load(path);
            ADD_FAILURE() << path << " loaded";
        } catch (const MediaException& e) {
            EXPECT_NE(describe(e.error()).find(path.filename().string()), std::string::npos)
                << describe(e.error());
        }
    };
    expectError(folder / "missing.mp4");

    std::ofstream(folder / "noise.mp4") << std::string(4096, '\x5a');
    expectError(folder / "noise.mp4");

    // A recording cut off before its index was written.
    auto whole = test::makeMovie(folder / "whole.mp4", 1.0, 64, 48, false);
    auto size = std::filesystem::file_size(whole);
    std::filesystem::copy_file(whole, folder / "truncated.mp4");
    std::filesystem::resize_file(folder / "truncated.mp4", size / 2);
    expectError(folder / "truncated.mp4");
}

} // namespace
} // namespace tarnix::media
