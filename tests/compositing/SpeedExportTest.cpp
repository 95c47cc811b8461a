// Speed regions through the builder, the compositor and the exporter, on real files.

#include <gtest/gtest.h>

#include "compositing/CompositionBuilder.h"
#include "media/CompositionFrameRenderer.h"
#include "media/ExportSession.h"
#include "media/MediaTestSupport.h"
#include "support/MediaProbe.h"

namespace tarnix {
namespace {

namespace Builder = CompositionBuilder;
using media::test::TempFolder;

SpeedRegion speed(double start, double end, double factor) { return {Uuid::random(), start, end, factor}; }
CutRegion cut(double start, double end) { return {Uuid::random(), start, end}; }

// An 8 s screen (red, with a white flash from 5.0 s to 5.1 s in the middle and a 1 kHz beep at
// exactly the same time), and a 4 s movie whose sound is a steady 500 Hz tone.
class SpeedExportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new TempFolder;
        media::test::runFfmpeg(
            "-f lavfi -i \"color=red:s=320x180:r=30:d=8,"
            "drawbox=x=120:y=60:w=80:h=60:color=white:t=fill:enable='between(t,5,5.09)'\" "
            "-f lavfi -i \"aevalsrc='if(between(t,5,5.1),0.8*sin(2*PI*1000*t),0)':s=48000:d=8\" "
            "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac \"" +
            (*folder / "screen.mp4").string() + "\"");
        media::test::runFfmpeg(
            "-f lavfi -i \"color=gray:s=160x90:r=30:d=4\" "
            "-f lavfi -i \"sine=frequency=500:sample_rate=48000:duration=4\" "
            "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac \"" +
            (*folder / "tone.mp4").string() + "\"");
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }

    static RecordingTimeline input(const std::string& movie, std::vector<SpeedRegion> speeds,
                                   std::vector<CutRegion> cuts = {})
    {
        RecordingTimeline timeline;
        timeline.videoURL = *folder / movie;
        timeline.hasSystemAudio = true;
        timeline.speedRegions = std::move(speeds);
        timeline.cutRegions = std::move(cuts);
        timeline.cursorOverlay.isEnabled = false;
        return timeline;
    }

    static std::filesystem::path exported(const RecordingTimeline& in, const std::string& name)
    {
        auto built = Builder::build(in);
        media::ExportSession session(built.composition, media::ExportPreset::highestQuality);
        session.setVideoComposition(built.videoComposition);
        std::filesystem::path out = *folder / name;
        session.setOutputURL(out);
        session.exportSynchronously();
        EXPECT_EQ(session.status(), media::ExportStatus::completed)
            << (session.error() ? describe(*session.error()) : "");
        return out;
    }

    static inline TempFolder* folder = nullptr;
};

TEST_F(SpeedExportTest, TheMovieLastsEachKeptSpanOverItsSpeedAndItsSoundStaysWithThePicture)
{
    struct Case {
        std::vector<SpeedRegion> speeds;
        std::vector<CutRegion> cuts;
        double length;
        double flash; // when the flash shows in the movie
    };
    const Case cases[] = {
        {{speed(1, 3, 4)}, {}, 6.5, 3.5},
        {{speed(1, 3, 0.5)}, {}, 10, 7},
        {{speed(0, 2, 8), speed(6, 8, 2)}, {cut(3, 4)}, 0.25 + 1 + 2 + 1, 2.25},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        RecordingTimeline in = input("screen.mp4", c.speeds, c.cuts);
        auto built = Builder::build(in);
        for (const auto& track : built.composition->tracks())
            EXPECT_NEAR(track.duration(), c.length, 1e-6) << "track " << track.trackID;
        std::filesystem::path out = exported(in, "speed-" + std::to_string(n++) + ".mp4");
        media::test::ProbedMovie movie = media::test::probe(out);
        EXPECT_NEAR(movie.videoDuration, c.length, 1 / 30.0 + 1e-6);
        EXPECT_NEAR(movie.audioEnd, c.length, 1 / 30.0 + 1e-6);

        double flash = -1;
        test::forEachVideoFrame(out, [&](const QImage& frame, double time) {
            if (flash < 0 && qGreen(frame.pixel(160, 90)) > 200)
                flash = time;
        });
        auto sound = test::audioStats(out);
        ASSERT_TRUE(sound);
        EXPECT_NEAR(flash, c.flash, 0.5 / 30);
        EXPECT_NEAR(sound->firstLoudTime, flash, 1 / 30.0);
    }
}

TEST_F(SpeedExportTest, SoundKeepsItsPitchUpToFourTimesAsFastAndIsSilentAbove)
{
    for (double factor : {0.5, 2.0, 4.0}) {
        SCOPED_TRACE(factor);
        auto out = exported(input("tone.mp4", {speed(0, 4, factor)}), "tone.mp4-" + std::to_string(factor) + ".mp4");
        auto sound = test::audioStats(out);
        ASSERT_TRUE(sound);
        EXPECT_NEAR(sound->seconds, 4 / factor, 0.1);
        EXPECT_NEAR(sound->dominantFrequency, 500, 25);
        EXPECT_LT(sound->silentFraction, 0.1);
    }
    auto sound = test::audioStats(exported(input("tone.mp4", {speed(0, 4, 8)}), "tone-8.mp4"));
    ASSERT_TRUE(sound);
    EXPECT_LT(sound->rms, 0.001);
}

TEST_F(SpeedExportTest, AClickAfterAFastSpanIsDrawnWhenItsButtonFlashes)
{
    RecordingTimeline in = input("screen.mp4", {speed(1, 3, 4)});
    in.captureFrame = Rect{0, 0, 320, 180};
    in.cursorOverlay.isEnabled = true;
    in.cursorSamples = {CursorSample{Uuid::random(), 0, {160, 90}}};
    RecordingTimeline clicked = in;
    clicked.clickEvents = {ClickEvent{Uuid::random(), 5.0, {160, 90}, ClickKind::leftDown}};
    auto plain = Builder::build(in), withClick = Builder::build(clicked);
    media::CompositionFrameRenderer plainFrames(plain.composition, plain.videoComposition);
    media::CompositionFrameRenderer clickFrames(withClick.composition, withClick.videoComposition);

    auto differsAround = [](const QImage& a, const QImage& b, int x0, int y0) {
        int differing = 0;
        for (int y = y0 - 30; y < y0 + 30; ++y)
            for (int x = x0 - 30; x < x0 + 30; ++x)
                differing += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 24;
        return differing;
    };
    // 5.0 s of the recording plays at 3.5 s of the movie: the ripple is there just after, on the
    // button, and not before.
    EXPECT_GT(differsAround(plainFrames.frameAt(3.6), clickFrames.frameAt(3.6), 160, 90), 20);
    EXPECT_EQ(differsAround(plainFrames.frameAt(3.3), clickFrames.frameAt(3.3), 160, 90), 0);
}

} // namespace
} // namespace tarnix
