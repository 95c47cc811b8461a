#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "CompositingTestSupport.h"
#include "compositing/CompositionBuilder.h"
#include "media/AudioSampleReader.h"
#include "media/ExportSession.h"
#include "media/MovieWriter.h"
#include "media/MediaTestSupport.h"
#include "media/VideoFrameReader.h"

namespace tarnix {
namespace {

namespace Builder = CompositionBuilder;
using media::MediaType;

// A recording made once for the whole suite: 2 s screen with a tone, a 1 s camera, a 3 s
// microphone file.
class CompositionBuilderTest : public ::testing::Test {
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

    static RecordingTimeline input(bool camera, bool hasSystemAudio, bool systemOn, bool micOn)
    {
        RecordingTimeline timeline;
        timeline.videoURL = *folder / "screen.mp4";
        timeline.cameraURL = *folder / "camera.mov";
        timeline.microphoneURL = *folder / "mic.m4a";
        timeline.hasSystemAudio = hasSystemAudio;
        timeline.cameraOverlay.isEnabled = camera;
        timeline.systemAudio.isEnabled = systemOn;
        timeline.microphoneAudio.isEnabled = micOn;
        return timeline;
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

TEST_F(CompositionBuilderTest, TrackIdsForEachCombinationOfSources)
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

TEST_F(CompositionBuilderTest, NoiseReductionGoesToTheTrackWhoseSettingsAskForIt)
{
    for (bool systemOn : {true, false}) {
        auto in = input(false, true, systemOn, true);
        in.microphoneAudio.reducesNoise = true;
        in.microphoneAudio.noiseReductionStrength = 0.7;
        in.systemAudio.noiseReductionStrength = 0.2; // switched off: no denoiser
        auto result = Builder::build(in);
        const media::TrackID microphone = systemOn ? 4 : 3;
        EXPECT_EQ(result.composition->track(microphone)->noiseReduction, 0.7);
        if (systemOn) {
            EXPECT_FALSE(result.composition->track(3)->noiseReduction);
        }
    }
}

TEST_F(CompositionBuilderTest, DurationsAreCutToTheScreen)
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

TEST_F(CompositionBuilderTest, UnusableScreenFailsAndUnusableExtrasAreLeftOut)
{
    RecordingTimeline noVideo = input(true, true, true, true);
    noVideo.videoURL.reset();
    try {
        Builder::build(noVideo);
        FAIL() << "built without a screen movie";
    } catch (const Builder::BuildError& e) {
        EXPECT_STREQ(e.what(), "No video track found in the recording.");
    }

    RecordingTimeline audioOnly = input(false, false, false, false);
    audioOnly.videoURL = *folder / "mic.m4a";
    EXPECT_THROW(Builder::build(audioOnly), Builder::BuildError);

    RecordingTimeline missing = input(false, false, false, false);
    missing.videoURL = *folder / "nothing-here.mp4";
    try {
        Builder::build(missing);
        FAIL() << "built from a missing file";
    } catch (const Builder::BuildError&) {
        FAIL() << "a missing file is a read error, not a missing track";
    } catch (const media::MediaException& e) {
        EXPECT_NE(describe(e.error()).find("nothing-here.mp4"), std::string::npos);
    }

    RecordingTimeline brokenExtras = input(true, true, true, true);
    brokenExtras.cameraURL = *folder / "missing-camera.mov";
    brokenExtras.microphoneURL = *folder / "screen.mp4"; // has audio: still fine
    auto result = Builder::build(brokenExtras);
    EXPECT_EQ(ids(result, MediaType::video), std::vector<media::TrackID>{1});
    EXPECT_FALSE(result.instruction->cameraTrackID());
}

TEST_F(CompositionBuilderTest, SamplesAreNormalisedClampedAndSortedStably)
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

    // A recorded window that moved right by 1000 at 1.5 s: later samples follow it.
    timeline.captureFrameSamples = {{Uuid::random(), 1.5, {1100, 200, 1000, 500}}};
    EXPECT_EQ(Builder::normalizedCursorSamples(timeline)[1].point, (Point{0, 0.5}));
    EXPECT_EQ(Builder::normalizedClickSamples(timeline)[2].point, (Point{0, 0}));
    timeline.captureFrameSamples.clear();

    timeline.captureFrame = {0, 0, 0, 0};
    EXPECT_EQ(Builder::normalizedCursorSamples(timeline)[0].point, (Point{0.5, 0.5}));
}

TEST_F(CompositionBuilderTest, KeysPressedInACutOrWithThePillOffAreNotShown)
{
    RecordingTimeline timeline = input(false, false, false, false);
    auto key = [](double t) { return KeyEvent{Uuid::random(), t, "Z", {KeyModifier::ctrl}}; };
    timeline.keyEvents = {key(1.2), key(0.3), key(0.6)};
    timeline.cutRegions = {{Uuid::random(), 0.5, 0.9}};
    timeline.keystrokeOverlay.style = KeystrokeStyle::light;
    auto built = Builder::build(timeline);
    const KeystrokeOverlay& keys = built.instruction->keystrokes();
    ASSERT_EQ(keys.keystrokes.size(), 2u);
    EXPECT_EQ(keys.keystrokes[0].time, 0.3);
    EXPECT_NEAR(keys.keystrokes[1].time, 0.8, 1e-9) << "timed on the movie's clock, 0.4 s cut before it";
    EXPECT_EQ(keys.keystrokes[1].count, 2) << "the press in the cut does not count";
    EXPECT_EQ(keys.settings, timeline.keystrokeOverlay);

    timeline.keystrokeOverlay.isEnabled = false;
    EXPECT_TRUE(Builder::build(timeline).instruction->keystrokes().keystrokes.empty());
}

TEST_F(CompositionBuilderTest, BuildsAsynchronouslyAndCanBeCancelled)
{
    QFuture<Builder::Result> future = Builder::buildAsync(input(true, true, true, true));
    future.waitForFinished();
    ASSERT_EQ(future.resultCount(), 1);
    EXPECT_EQ(future.result().composition->tracks().size(), 4u);

    RecordingTimeline noVideo = input(false, false, false, false);
    noVideo.videoURL.reset();
    QFuture<Builder::Result> failing = Builder::buildAsync(noVideo);
    EXPECT_THROW(failing.waitForFinished(), Builder::BuildError);

    std::atomic<int> checks{0};
    EXPECT_THROW(Builder::build(input(true, true, true, true), [&] { return ++checks > 1; }),
                 Builder::BuildCancelled);
}

// The whole chain: builder, decoder, overlay compositor, exporter.
TEST_F(CompositionBuilderTest, ExportedFramesShowBackgroundAndZoomedContent)
{
    media::test::TempFolder out;
    // Left half red, right half blue.
    media::test::runFfmpeg("-f lavfi -i \"color=red:s=320x240:d=2,drawbox=x=160:y=0:w=160:h=240:"
                           "color=blue:t=fill\" -c:v libx264 -preset ultrafast -pix_fmt yuv420p \"" +
                           (out / "screen.mp4").string() + "\"");
    RecordingTimeline timeline;
    timeline.videoURL = out / "screen.mp4";
    RecordingTimeline in = timeline;
    in.background.style = BackgroundStyle::solid;
    in.background.solidColor = {1, 1, 0, 1}; // yellow
    in.background.padding = 0.1;
    in.cursorOverlay.isEnabled = false;
    in.zoomRegions = {ZoomRegion{Uuid::random(), 1.0, 1.95, Rect{0.5, 0.25, 0.5, 0.5}}};
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

// The first `bytes` of a file, as a crash would leave it.
std::filesystem::path cutCopy(const std::filesystem::path& from, const std::filesystem::path& to,
                              std::uintmax_t bytes)
{
    std::ifstream in(from, std::ios::binary);
    std::vector<char> data(bytes);
    in.read(data.data(), std::streamsize(bytes));
    std::ofstream(to, std::ios::binary).write(data.data(), in.gcount());
    return to;
}

// Root mean square of the exported sound between two times (seconds).
double loudness(const std::filesystem::path& movie, double from, double to)
{
    auto tracks = media::MediaAsset::load(movie).tracks(MediaType::audio);
    if (tracks.empty())
        return 0;
    media::AudioSampleReader reader(tracks.front(), {media::SampleFormat::f32, 0, 1});
    std::vector<float> samples;
    while (reader.readBlock(samples)) {
    }
    const auto begin = std::size_t(from * reader.sampleRate()), end = std::size_t(to * reader.sampleRate());
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = begin; i < std::min(end, samples.size()); ++i, ++count)
        sum += samples[i] * samples[i];
    return count ? std::sqrt(sum / double(count)) : 0;
}

// Where the file's first top-level box of `type` starts, and its size (MPEG-4 box layout).
std::pair<std::uintmax_t, std::uintmax_t> firstBox(const std::filesystem::path& file, const char* type)
{
    std::ifstream in(file, std::ios::binary);
    std::uintmax_t offset = 0;
    unsigned char header[8];
    while (in.seekg(std::streamoff(offset)) && in.read(reinterpret_cast<char*>(header), 8)) {
        const std::uintmax_t size = (std::uintmax_t(header[0]) << 24) | (header[1] << 16) |
                                    (header[2] << 8) | header[3];
        if (std::string(reinterpret_cast<char*>(header) + 4, 4) == type)
            return {offset, size};
        if (size < 8)
            break;
        offset += size;
    }
    ADD_FAILURE() << "no " << type << " box in " << file;
    return {0, 0};
}

// Camera and microphone recordings cut off by a crash, the way the recorders write them
// (fragmented, the index first and empty): the export never fails because of them, the bubble
// shows and the voice plays for as long as they last, and a file whose length can't be read at
// all runs as long as the screen.
TEST(CompositionBuilderCutFiles, ExportsShowWhatTheCutFilesHold)
{
    media::test::TempFolder dir;
    const auto screen = dir / "screen.mp4";
    media::test::runFfmpeg("-f lavfi -i color=gray:s=160x90:r=30:d=3 -c:v libx264 -preset ultrafast "
                           "-pix_fmt yuv420p \"" + screen.string() + "\"");
    const auto camera = dir / "camera.mov";
    media::test::runFfmpeg("-f lavfi -i \"color=red:s=64x64:r=30:d=3,noise=alls=12:allf=t\" -c:v libx264 "
                           "-preset ultrafast -pix_fmt yuv420p -g 15 "
                           "-movflags frag_keyframe+empty_moov+default_base_moof \"" + camera.string() + "\"");
    const auto microphone = dir / "mic.m4a";
    media::test::runFfmpeg("-f lavfi -i sine=frequency=660:sample_rate=44100:d=3 -c:a aac "
                           "-frag_duration 500000 -movflags frag_keyframe+empty_moov+default_base_moof "
                           "\"" + microphone.string() + "\"");

    enum class Cut { afterIndex, inFirstFragmentHeader, inFirstFragmentData, midFile, nearEnd };
    auto cutPoint = [](const std::filesystem::path& file, Cut cut) -> std::uintmax_t {
        const auto [moov, moovSize] = firstBox(file, "moov");
        const auto [moof, moofSize] = firstBox(file, "moof");
        const auto size = std::filesystem::file_size(file);
        switch (cut) {
        case Cut::afterIndex: return moov + moovSize;
        case Cut::inFirstFragmentHeader: return moof + moofSize / 2;
        case Cut::inFirstFragmentData: return moof + moofSize + 200;
        case Cut::midFile: return size / 2;
        case Cut::nearEnd: return size * 97 / 100;
        }
        return size;
    };
    struct Case {
        const char* what;
        Cut cut;
        bool bubble;      // the first half second shows the camera and plays the voice
        bool endsEarly;   // and both are gone by the end of the screen
    };
    for (Case c : {Case{"after the index", Cut::afterIndex, false, true},
                   Case{"in the first fragment's header", Cut::inFirstFragmentHeader, false, true},
                   Case{"in the first fragment's data", Cut::inFirstFragmentData, false, true},
                   Case{"mid-file", Cut::midFile, true, true},
                   Case{"near the end", Cut::nearEnd, true, false}}) {
        SCOPED_TRACE(c.what);
        const std::string name(c.what);
        RecordingTimeline timeline;
        timeline.videoURL = screen;
        timeline.cameraURL = cutCopy(camera, dir / ("camera " + name + ".mov"), cutPoint(camera, c.cut));
        timeline.microphoneURL = cutCopy(microphone, dir / ("mic " + name + ".m4a"), cutPoint(microphone, c.cut));
        RecordingTimeline in = timeline;
        in.cameraOverlay.isEnabled = true;
        in.cameraOverlay.shape = CameraBubbleShape::circle;
        in.cameraOverlay.sizeFraction = 0.4;
        in.cameraOverlay.position = {0.5, 0.5};
        in.cursorOverlay.isEnabled = false;
        Builder::Result result;
        ASSERT_NO_THROW(result = Builder::build(in));
        if (c.cut == Cut::afterIndex) {
            // No length anywhere in the file: it runs as long as the screen.
            ASSERT_TRUE(result.composition->track(2));
            EXPECT_NEAR(result.composition->track(2)->duration(), 3.0, 0.05);
            ASSERT_TRUE(result.composition->track(3));
            EXPECT_NEAR(result.composition->track(3)->duration(), 3.0, 0.05);
        }

        const auto exported = dir / ("export " + name + ".mp4");
        media::ExportSession session(result.composition, media::ExportPreset::highestQuality);
        session.setVideoComposition(result.videoComposition);
        session.setOutputURL(exported);
        session.exportSynchronously();
        ASSERT_EQ(session.status(), media::ExportStatus::completed) << describe(*session.error());

        media::VideoFrameReader reader(media::MediaAsset::load(exported).tracks(MediaType::video)[0]);
        const QRgb red = qRgb(255, 0, 0);
        const QImage start = reader.frameAt(0.1);
        if (c.bubble) {
            EXPECT_PIXEL_NEAR(start, 80, 45, red, 70);
            EXPECT_GT(loudness(exported, 0.1, 0.4), 0.03);
        }
        if (c.endsEarly) {
            // No frozen picture after the camera's end: the bubble goes with it, the voice too.
            const QImage end = reader.frameAt(2.95);
            EXPECT_PIXEL_NEAR(end, 80, 45, qRgb(128, 128, 128), 24);
            EXPECT_LT(loudness(exported, 2.6, 2.95), 0.01);
        }
    }
}

} // namespace
} // namespace tarnix

namespace tarnix {
namespace {

// A screen movie the way the screen recorder writes it at `rate` frames a second: fragmented,
// frame times from the clock with some jitter, and every seventh frame dropped as under load.
std::filesystem::path makeRecordedMovie(const std::filesystem::path& path, double rate, int frames)
{
    media::MovieWriterSettings settings;
    settings.outputPath = path;
    settings.layout = media::MovieLayout::fragmented;
    media::MovieVideoSettings video;
    video.width = 96;
    video.height = 64;
    video.frameRate = rate;
    video.preset = "ultrafast";
    settings.video = video;
    media::MovieWriter writer(settings);
    QImage picture(96, 64, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < frames; ++i) {
        if (i % 7 == 6)
            continue;
        picture.fill(QColor::fromHsv(i * 5 % 360, 200, 200));
        writer.writeVideo(picture, i / rate + (i % 3) * 0.0007);
    }
    writer.finish();
    return path;
}

// 60 frames a second is for recordings that have more than 30: asked of a 30 fps recording the
// composition stays at 30, and the exported movie has the rate the composition has.
TEST(CompositionBuilderFrameRate, SixtyOnlyForRecordingsMadeAtMoreThanThirty)
{
    media::test::TempFolder dir;
    struct Case {
        double recorded;
        int asked;
        int expected;
    } cases[] = {{60, 60, 60}, {60, 30, 30}, {30, 60, 30}, {29.97, 60, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.recorded) + " fps recording asked for " + std::to_string(c.asked));
        const auto movie = makeRecordedMovie(dir / ("screen-" + std::to_string(c.recorded) + ".mp4"),
                                             c.recorded, int(c.recorded));
        RecordingTimeline timeline;
        timeline.videoURL = movie;
        auto result = CompositionBuilder::build(timeline, {}, c.asked);
        EXPECT_NEAR(result.recordedFrameRate, c.recorded, c.recorded * 0.2);
        EXPECT_EQ(media::offersSmoothFrameRate(result.recordedFrameRate), c.recorded > 30);
        EXPECT_DOUBLE_EQ(result.videoComposition.frameDuration(), 1.0 / c.expected);
        if (c.expected != 60)
            continue;
        // The movie exported at 60 has twice the frames of one second at 30.
        media::ExportSession session(result.composition, media::ExportPreset::highestQuality);
        session.setVideoComposition(result.videoComposition);
        session.setOutputURL(dir / "sixty.mp4");
        session.exportSynchronously();
        ASSERT_EQ(session.status(), media::ExportStatus::completed);
        auto probed = media::test::probe(dir / "sixty.mp4");
        EXPECT_NEAR(probed.videoFrames, 60 * result.composition->duration(), 2);
    }
}

} // namespace
} // namespace tarnix
