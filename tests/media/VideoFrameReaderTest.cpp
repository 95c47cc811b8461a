#include <gtest/gtest.h>

#include <cmath>

#include "MediaTestSupport.h"
#include "media/CompositionVideoReader.h"
#include "media/VideoFrameReader.h"

namespace tarnix::media {
namespace {

class VideoFrameReaderTest : public ::testing::Test {
protected:
    AssetTrack track(const std::filesystem::path& path)
    {
        return MediaAsset::load(path).tracks(MediaType::video).at(0);
    }
    test::TempFolder folder;
};

// Each case runs on a movie with B-frames and on one without, whose frames come out of the
// decoder in order: a frame's end is then taken from the next packet, before it is decoded.
class FrameOrderTest : public VideoFrameReaderTest, public ::testing::WithParamInterface<int> {
protected:
    AssetTrack movie(const std::string& name, int count, int fps, int gop, int vfrAfter = -1)
    {
        return track(test::makeIndexedMovie(folder / name, count, fps, gop, vfrAfter, 64, 48,
                                            GetParam()));
    }
};

INSTANTIATE_TEST_SUITE_P(BFrames, FrameOrderTest, ::testing::Values(2, 0));

TEST_P(FrameOrderTest, SequentialReadingGivesTheFrameCoveringEachTime)
{
    // 20 frames at 10 fps read at 30 fps: every source frame shows three times.
    VideoFrameReader reader(movie("cfr.mp4", 20, 10, 5));
    for (int i = 0; i < 60; ++i) {
        double t = i / 30.0;
        QImage frame = reader.frameAt(t);
        ASSERT_EQ(frame.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(test::frameIndexOf(frame), int(std::floor(t * 10 + 1e-9))) << "t=" << t;
    }
    EXPECT_EQ(reader.seekCount(), 0);
    EXPECT_LE(reader.decodedFrameCount(), 20);
}

TEST_P(FrameOrderTest, VariableFrameRateMapsByTimestamps)
{
    // Frames 0-9 at 0.1 s spacing, then frames 10-13 at 1.0, 1.5, 2.0, 2.5 s.
    for (int threads : {1, 2}) {
        VideoFrameReader reader(movie("vfr.mp4", 14, 10, 30, 10), threads);
        EXPECT_EQ(test::frameIndexOf(reader.frameAt(0.95)), 9);
        EXPECT_EQ(test::frameIndexOf(reader.frameAt(1.0)), 10);
        EXPECT_EQ(test::frameIndexOf(reader.frameAt(1.49)), 10);
        EXPECT_EQ(test::frameIndexOf(reader.frameAt(1.5)), 11);
        EXPECT_EQ(test::frameIndexOf(reader.frameAt(2.2)), 12);
        EXPECT_EQ(test::frameIndexOf(reader.frameAt(2.9)), 13); // the last frame holds
    }
}

TEST_P(FrameOrderTest, BackwardAndFarJumpsSeekAndStillLandOnTheRightFrame)
{
    VideoFrameReader reader(movie("gop.mp4", 60, 10, 5), 2);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(0)), 0);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(5.25)), 52); // far ahead: seek
    EXPECT_EQ(reader.seekCount(), 1);
    EXPECT_LT(reader.decodedFrameCount(), 30);
    if (GetParam() == 0) { // frames 0, 50, 51, 52: none is decoded only to learn where 52 ends
        EXPECT_EQ(reader.decodedFrameCount(), 4);
    }
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(1.37)), 13); // backwards: seek
    EXPECT_EQ(reader.seekCount(), 2);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(1.4)), 14);  // then sequential again
    EXPECT_EQ(reader.seekCount(), 2);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(0)), 0);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(-1)), 0);    // before the start: first frame
}

TEST_F(VideoFrameReaderTest, FragmentedRecordingsSeekToo)
{
    // The layout the screen recorder writes: fragments with an empty index up front.
    auto path = folder / "fragmented.mp4";
    test::runFfmpeg("-f lavfi -i \"color=c=black:s=64x48:r=30,format=yuv420p,"
                    "geq=lum='16+N*3':cb=128:cr=128\" -frames:v 70 -c:v libx264 -preset ultrafast "
                    "-qp 0 -g 10 -movflags frag_keyframe+empty_moov+default_base_moof \"" +
                    path.string() + "\"");
    MediaAsset asset = MediaAsset::load(path);
    EXPECT_NEAR(asset.duration(), 70 / 30.0, 0.01);
    VideoFrameReader reader(asset.tracks(MediaType::video).at(0));
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(2.0)), 60);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(0.5)), 15);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(1.01)), 30);
    EXPECT_EQ(test::frameIndexOf(reader.frameAt(2.3)), 69);
}

TEST_F(VideoFrameReaderTest, AShorterCameraTrackHasNoFrameAfterItsEnd)
{
    MediaAsset screen = MediaAsset::load(test::makeIndexedMovie(folder / "s.mp4", 20, 10, 5));
    MediaAsset camera = MediaAsset::load(test::makeIndexedMovie(folder / "c.mp4", 10, 10, 5));
    auto composition = std::make_shared<Composition>();
    composition->addMutableTrack(MediaType::video, 1);
    composition->addMutableTrack(MediaType::video, 2);
    ASSERT_FALSE(composition->insertTimeRange(1, {0, screen.duration()},
                                              screen.tracks(MediaType::video)[0], 0));
    ASSERT_FALSE(composition->insertTimeRange(2, {0, camera.duration()},
                                              camera.tracks(MediaType::video)[0], 0));
    CompositionVideoReader reader(composition);
    auto early = reader.framesAt(0.55);
    EXPECT_EQ(test::frameIndexOf(early[1]), 5);
    EXPECT_EQ(test::frameIndexOf(early[2]), 5);
    auto late = reader.framesAt(1.5);
    EXPECT_EQ(test::frameIndexOf(late[1]), 15);
    EXPECT_TRUE(late[2].isNull());
}

TEST_F(VideoFrameReaderTest, ARebuiltCompositionReadsOnWithThePreviousDecoders)
{
    AssetTrack screen = track(test::makeIndexedMovie(folder / "s.mp4", 30, 10, 10));
    auto whole = std::make_shared<Composition>();
    whole->addMutableTrack(MediaType::video, 1);
    ASSERT_FALSE(whole->insertTimeRange(1, {0, 3}, screen, 0));
    CompositionVideoReader first(whole);
    EXPECT_EQ(test::frameIndexOf(first.frameAt(1, 1.2)), 12);

    // The rebuild keeps source times 1...3 only: composition time 0.2 is source time 1.2.
    auto cut = std::make_shared<Composition>();
    cut->addMutableTrack(MediaType::video, 1);
    ASSERT_FALSE(cut->insertTimeRange(1, {1, 2}, screen, 0));
    CompositionVideoReader second(cut, std::move(first));
    EXPECT_EQ(test::frameIndexOf(second.frameAt(1, 0.2)), 12);
    EXPECT_EQ(test::frameIndexOf(second.frameAt(1, 1.5)), 25);
    EXPECT_EQ(test::frameIndexOf(second.frameAt(1, 0.0)), 10);
}

// Window recordings have any even width. libswscale writes whole blocks of pixels, past the end
// of a row whose width is not a multiple of its block: the picture must leave room for that (the
// sanitizer build catches a write past the last row).
TEST_F(VideoFrameReaderTest, PicturesOfAnyWidthDecodeWithinTheirBuffer)
{
    for (int width : {298, 302, 306}) {
        VideoFrameReader reader(track(test::makeMovie(
            folder / ("w" + std::to_string(width) + ".mp4"), 0.2, width, 200, false, 10)));
        QImage frame = reader.frameAt(0.05);
        ASSERT_EQ(frame.size(), QSize(width, 200));
        EXPECT_EQ(qAlpha(frame.pixel(width - 1, 199)), 255);
    }
}

} // namespace
} // namespace tarnix::media

namespace tarnix::media {
namespace {

class RetainedFramesTest : public ::testing::Test {
protected:
    VideoFrameReader reader(const std::filesystem::path& path)
    {
        return VideoFrameReader(MediaAsset::load(path).tracks(MediaType::video).at(0));
    }
    test::TempFolder folder;
};

// The editor steps back a frame, scrubs back and forth and re-composes the frame under the
// playhead after an edit: all of that must land on the exact frame without decoding again.
TEST_F(RetainedFramesTest, JumpsBackAmongKeptFramesGiveTheExactFrameWithoutASeek)
{
    // 10 fps, key frames every 30 frames, variable spacing from frame 40 on.
    auto movie = reader(test::makeIndexedMovie(folder / "m.mp4", 44, 10, 30, 40));
    movie.setRetainedFrameBytes(std::size_t(64) << 20);
    for (int i = 0; i <= 46; ++i)
        movie.frameAt(i / 10.0); // up to frame 41 at 4.5 s (frames 40... are 0.5 s apart)
    const int decoded = movie.decodedFrameCount();
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(2.95)), 29);  // before the key frame at 3.0
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(3.0)), 30);
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(1.04)), 10);
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(0.0)), 0);
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(4.49)), 40);  // the long interval of frame 40
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(3.99)), 39);
    EXPECT_EQ(movie.seekCount(), 0);
    EXPECT_EQ(movie.decodedFrameCount(), decoded);
    // Back at the decoder's own position, reading goes on from there.
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(5.2)), 42);
    EXPECT_EQ(movie.seekCount(), 0);
}

// A second decoder fills in the key frame interval before the one the first decoder is in; the
// first then steps back across the key frame without a seek, frame by exact frame.
TEST_F(RetainedFramesTest, FramesFilledInBehindByASecondDecoderServeStepsBack)
{
    // 10 fps, key frames every 20 frames, with B-frames.
    const auto path = test::makeIndexedMovie(folder / "m.mp4", 50, 10, 20);
    auto playhead = reader(path);
    auto filler = reader(path);
    playhead.setRetainedFrameBytes(std::size_t(64) << 20);
    filler.shareRetainedFrames(playhead);
    EXPECT_EQ(test::frameIndexOf(playhead.frameAt(2.2)), 22);
    EXPECT_EQ(playhead.decodingBefore(2.25), 0);
    EXPECT_NEAR(playhead.decodingBefore(2.5), 0.3, 1e-3); // on from frame 22
    EXPECT_NEAR(playhead.decodingBefore(4.5), 0.5, 1e-3); // from the key frame at 4 s
    ASSERT_NEAR(playhead.keyFrameAtOrBefore(2.2).value_or(-1), 2.0, 1e-3);
    ASSERT_NEAR(playhead.keyFrameAtOrBefore(1.95).value_or(-1), 0.0, 1e-3);

    int steps = 0;
    while (filler.fillStep(0.0, 2.0))
        ASSERT_LT(++steps, 20) << "one frame a step";
    EXPECT_FALSE(filler.fillStep(0.0, 2.0)); // nothing more to do
    const int seeks = playhead.seekCount();
    const int decoded = playhead.decodedFrameCount();
    for (int frame = 21; frame >= 0; --frame)
        EXPECT_EQ(test::frameIndexOf(playhead.frameAt(frame / 10.0 + 0.01)), frame);
    EXPECT_EQ(playhead.seekCount(), seeks);
    EXPECT_EQ(playhead.decodedFrameCount(), decoded);
}

// The composition's reader fills in behind the playhead and hands a read that lands where its
// second decoder is heading over to it; whatever was filled, every frame is the exact one.
TEST_F(RetainedFramesTest, ACompositionReadsExactFramesWhileFillingBehind)
{
    const AssetTrack movie =
        MediaAsset::load(test::makeIndexedMovie(folder / "m.mp4", 60, 10, 20))
            .tracks(MediaType::video)
            .at(0);
    auto composition = std::make_shared<Composition>();
    composition->addMutableTrack(MediaType::video, 1);
    // The composition starts at source frame 5: nothing before it is filled in.
    ASSERT_FALSE(composition->insertTimeRange(1, {0.5, 5.5}, movie, 0));
    CompositionVideoReader reader(composition);
    reader.setRetainedFrameBytes(std::size_t(64) << 20);
    const auto frameAt = [&](double t) { return test::frameIndexOf(reader.framesAt(t).at(1)); };

    EXPECT_EQ(frameAt(4.2), 47);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(reader.fillBehind(4.2)); // part of source frames 20...39
    EXPECT_EQ(frameAt(3.3), 38); // on the second decoder's way
    EXPECT_EQ(frameAt(4.2), 47);
    while (reader.fillBehind(4.2)) {
    }
    for (int frame = 46; frame >= 20; --frame)
        EXPECT_EQ(frameAt(frame / 10.0 - 0.5 + 0.01), frame);
    EXPECT_EQ(reader.decodingBefore(1.55), 0);
    // At the segment's start there is nothing behind to fill.
    EXPECT_EQ(frameAt(0.2), 7);
    EXPECT_FALSE(reader.fillBehind(0.2));
    EXPECT_EQ(frameAt(1.0), 15);

    // Behind source frame 27 lies the key frame at 20, and before it the segment's start, between
    // key frames: the fill decodes from the key frame before that start, and ends.
    EXPECT_EQ(frameAt(2.2), 27);
    int steps = 0;
    while (reader.fillBehind(2.2))
        ASSERT_LT(++steps, 25);
    for (int frame = 26; frame >= 5; --frame)
        EXPECT_EQ(frameAt(frame / 10.0 - 0.5 + 0.01), frame);
}

TEST_F(RetainedFramesTest, KeptFramesStayWithinTheirBudgetAndKeepTheNearestOnes)
{
    auto movie = reader(test::makeIndexedMovie(folder / "m.mp4", 60, 10, 30, -1, 320, 240));
    movie.frameAt(0);
    // One 320 × 240 4:2:0 picture is about 115 kB with the decoder's padding: room for about 6.
    const std::size_t budget = 700'000;
    movie.setRetainedFrameBytes(budget);
    for (int i = 0; i < 60; ++i) {
        movie.frameAt(i / 10.0);
        ASSERT_LE(movie.retainedFrames().bytes(), budget);
    }
    EXPECT_GE(movie.retainedFrames().size(), 3u);
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(5.7)), 57); // just behind: kept
    EXPECT_EQ(movie.seekCount(), 0);
    EXPECT_EQ(test::frameIndexOf(movie.frameAt(1.0)), 10); // long gone: a seek
    EXPECT_EQ(movie.seekCount(), 1);

    movie.setRetainedFrameBytes(0);
    EXPECT_EQ(movie.retainedFrames().bytes(), 0u);
}

} // namespace
} // namespace tarnix::media
