#include <gtest/gtest.h>

#include "CompositingTestSupport.h"
#include "compositing/CameraCompositionBuilder.h"
#include "media/ExportSession.h"
#include "media/MediaTestSupport.h"
#include "media/VideoFrameReader.h"

namespace tarnix {
namespace {

namespace Builder = CameraCompositionBuilder;
using media::MediaType;

// A recording made once for the whole suite: 2 s screen with a tone, a 1 s camera, a 3 s
// microphone file.
class CameraCompositionBuilderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new media::test::TempFolder;
        media::test::makeMovie(*folder / "screen.mp4", 2.0, 160, 90, true);
        media::test::makeMovie(*folder / "camera.mov", 1.0, 64, 64, false);
        media::test::makeTone(*folder / "mic.m4a", 3.0, 660);
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }

    static Builder::BuildInput input(bool camera, bool hasSystemAudio, bool systemOn, bool micOn)
    {
        RecordingTimeline timeline;
        timeline.videoURL = *folder / "screen.mp4";
        timeline.cameraURL = *folder / "camera.mov";
        timeline.microphoneURL = *folder / "mic.m4a";
        timeline.hasSystemAudio = hasSystemAudio;
        Builder::BuildInput in = Builder::BuildInput::fromDocument(timeline);
        in.cameraOverlay.isEnabled = camera;
        in.systemAudio.isEnabled = systemOn;
        in.microphoneAudio.isEnabled = micOn;
        return in;
    }

    static std::vector<media::TrackID> ids(const Builder::Result& result, MediaType type)
    {
        std::vector<media::TrackID> out;
        for (const auto* track : result.composition->tracks(type))
            out.push_back(track->trackID);
        return out;
    }

    static inline media::test::TempFolder* folder = nullptr;
};

TEST_F(CameraCompositionBuilderTest, TrackIdsForEachCombinationOfSources)
{
    struct Case {
        bool camera, hasSystemAudio, systemOn, micOn;
        std::vector<media::TrackID> video, audio;
    };
    const Case cases[] = {
        {true, true, true, true, {1, 2}, {3, 4}},
        {false, true, true, true, {1}, {3, 4}},
        {true, false, true, true, {1, 2}, {3}},  // no system audio recorded: microphone is 3
        {true, true, false, true, {1, 2}, {3}},  // system audio off: microphone is 3
        {true, true, true, false, {1, 2}, {3}},
        {false, false, false, false, {1}, {}},
    };
    for (const auto& c : cases) {
        auto result = Builder::build(input(c.camera, c.hasSystemAudio, c.systemOn, c.micOn));
        EXPECT_EQ(ids(result, MediaType::video), c.video);
        EXPECT_EQ(ids(result, MediaType::audio), c.audio);
        EXPECT_EQ(result.instruction->cameraTrackID().has_value(), c.camera);
        std::vector<media::TrackID> required = {1};
        if (c.camera)
            required.push_back(2);
        EXPECT_EQ(result.instruction->requiredSourceTrackIDs(), required);
        // Every frame goes through the compositor, never straight from one track.
        EXPECT_EQ(result.instruction->passthroughTrackID(), media::kInvalidTrackID);
    }
}

TEST_F(CameraCompositionBuilderTest, DurationsAreCutToTheScreen)
{
    auto result = Builder::build(input(true, true, true, true));
    const auto& composition = *result.composition;
    EXPECT_NEAR(composition.track(1)->duration(), 2.0, 0.05);
    EXPECT_NEAR(composition.track(2)->duration(), 1.0, 0.05);  // the camera ends early
    EXPECT_NEAR(composition.track(3)->duration(), 2.0, 0.05);
    EXPECT_NEAR(composition.track(4)->duration(), 2.0, 0.05);  // 3 s microphone cut to 2 s
    EXPECT_NEAR(composition.duration(), 2.0, 0.05);
    EXPECT_NEAR(result.instruction->timeRange().duration, composition.track(1)->duration(), 1e-9);
    EXPECT_EQ(result.videoComposition.renderSize, QSize(160, 90));
    EXPECT_EQ(result.videoComposition.frameDurationValue, 1);
    EXPECT_EQ(result.videoComposition.frameDurationTimescale, 30);
    ASSERT_EQ(result.videoComposition.instructions.size(), 1u);
    EXPECT_EQ(result.videoComposition.instructions[0], result.instruction);
    EXPECT_TRUE(result.videoComposition.customVideoCompositor);
}

TEST_F(CameraCompositionBuilderTest, UnusableScreenFailsAndUnusableExtrasAreLeftOut)
{
    Builder::BuildInput noVideo = input(true, true, true, true);
    noVideo.timeline.videoURL.reset();
    try {
        Builder::build(noVideo);
        FAIL() << "built without a screen movie";
    } catch (const Builder::BuildError& e) {
        EXPECT_STREQ(e.what(), "No video track found in the recording.");
    }

    Builder::BuildInput audioOnly = input(false, false, false, false);
    audioOnly.timeline.videoURL = *folder / "mic.m4a";
    EXPECT_THROW(Builder::build(audioOnly), Builder::BuildError);

    Builder::BuildInput missing = input(false, false, false, false);
    missing.timeline.videoURL = *folder / "nothing-here.mp4";
    try {
        Builder::build(missing);
        FAIL() << "built from a missing file";
    } catch (const Builder::BuildError&) {
        FAIL() << "a missing file is a read error, not a missing track";
    } catch (const media::MediaException& e) {
        EXPECT_NE(describe(e.error()).find("nothing-here.mp4"), std::string::npos);
    }

    Builder::BuildInput brokenExtras = input(true, true, true, true);
    brokenExtras.timeline.cameraURL = *folder / "missing-camera.mov";
    brokenExtras.timeline.microphoneURL = *folder / "screen.mp4"; // has audio: still fine
    auto result = Builder::build(brokenExtras);
    EXPECT_EQ(ids(result, MediaType::video), std::vector<media::TrackID>{1});
    EXPECT_FALSE(result.instruction->cameraTrackID());
}

TEST_F(CameraCompositionBuilderTest, SamplesAreNormalisedClampedAndSortedStably)
{
    RecordingTimeline timeline;
    timeline.captureFrame = {100, 200, 1000, 500};
    timeline.cursorSamples = {{Uuid::random(), 2.0, {600, 450}},
                              {Uuid::random(), 1.0, {50, 900}}};
    ClickEvent first{Uuid::random(), 3.0, {100, 200}, ClickKind::leftDown};
    ClickEvent up{Uuid::random(), 1.0, {100, 200}, ClickKind::leftUp};
    ClickEvent second{Uuid::random(), 3.0, {1100, 700}, ClickKind::rightDown};
    ClickEvent earlier{Uuid::random(), 0.5, {600, 450}, ClickKind::leftDown};
    timeline.clickEvents = {first, up, second, earlier};

    auto cursor = Builder::normalizedCursorSamples(timeline);
    ASSERT_EQ(cursor.size(), 2u);
    EXPECT_EQ(cursor[0], (NormalizedCursorSample{1.0, {0, 0}})); // outside: clamped
    EXPECT_EQ(cursor[1], (NormalizedCursorSample{2.0, {0.5, 0.5}}));

    auto clicks = Builder::normalizedClickSamples(timeline);
    ASSERT_EQ(clicks.size(), 3u); // the button release makes no ripple
    EXPECT_EQ(clicks[0].time, 0.5);
    EXPECT_EQ(clicks[1], (NormalizedClickSample{3.0, {0, 1}})); // equal times keep their order
    EXPECT_EQ(clicks[2], (NormalizedClickSample{3.0, {1, 0}}));

    timeline.captureFrame = {0, 0, 0, 0};
    EXPECT_EQ(Builder::normalizedCursorSamples(timeline)[0].point, (Point{0.5, 0.5}));
}

TEST_F(CameraCompositionBuilderTest, BuildsAsynchronouslyAndCanBeCancelled)
{
    QFuture<Builder::Result> future = Builder::buildAsync(input(true, true, true, true));
    future.waitForFinished();
    ASSERT_EQ(future.resultCount(), 1);
    EXPECT_EQ(future.result().composition->tracks().size(), 4u);

    Builder::BuildInput noVideo = input(false, false, false, false);
    noVideo.timeline.videoURL.reset();
    QFuture<Builder::Result> failing = Builder::buildAsync(noVideo);
    EXPECT_THROW(failing.waitForFinished(), Builder::BuildError);

    std::atomic<int> checks{0};
    EXPECT_THROW(Builder::build(input(true, true, true, true), [&] { return ++checks > 1; }),
                 Builder::BuildCancelled);
}

// The whole chain: builder, decoder, overlay compositor, exporter.
TEST_F(CameraCompositionBuilderTest, ExportedFramesShowBackgroundAndZoomedContent)
{
    media::test::TempFolder out;
    // Left half red, right half blue.
    media::test::runFfmpeg("-f lavfi -i \"color=red:s=320x240:d=2,drawbox=x=160:y=0:w=160:h=240:"
                           "color=blue:t=fill\" -c:v libx264 -preset ultrafast -pix_fmt yuv420p \"" +
                           (out / "screen.mp4").string() + "\"");
    RecordingTimeline timeline;
    timeline.videoURL = out / "screen.mp4";
    Builder::BuildInput in = Builder::BuildInput::fromDocument(timeline);
    in.background.style = BackgroundStyle::solid;
    in.background.solidColor = {1, 1, 0, 1}; // yellow
    in.background.padding = 0.1;
    in.cursorOverlay.isEnabled = false;
    in.regions = {ZoomRegion{Uuid::random(), 1.0, 1.95, Rect{0.5, 0.25, 0.5, 0.5}}};
    auto result = Builder::build(in);

    media::ExportSession session(result.composition, media::ExportPreset::highestQuality);
    session.setVideoComposition(result.videoComposition);
    session.setOutputURL(out / "edited.mp4");
    session.exportSynchronously();
    ASSERT_EQ(session.status(), media::ExportStatus::completed)
        << describe(*session.error());
    media::test::ProbedMovie movie = media::test::probe(out / "edited.mp4");
    EXPECT_EQ(movie.videoFrames, 60);
    EXPECT_FALSE(movie.hasAudio);

    media::VideoFrameReader reader(
        media::MediaAsset::load(out / "edited.mp4").tracks(MediaType::video)[0]);
    const QRgb yellow = qRgb(255, 255, 0), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    QImage before = reader.frameAt(0.05); // not zoomed yet
    EXPECT_PIXEL_NEAR(before, 4, 4, yellow, 47);
    EXPECT_PIXEL_NEAR(before, 80, 120, red, 47);
    EXPECT_PIXEL_NEAR(before, 240, 120, blue, 47);
    QImage zoomed = reader.frameAt(1.5); // inside the right half: all blue
    EXPECT_PIXEL_NEAR(zoomed, 4, 4, yellow, 47);
    EXPECT_PIXEL_NEAR(zoomed, 80, 120, blue, 47);
    EXPECT_PIXEL_NEAR(zoomed, 240, 120, blue, 47);
}

} // namespace
} // namespace tarnix
