// Cuts, canvas aspects and GIFs through the builder and the exporter, on real files.

#include <gtest/gtest.h>

#include <set>

#include "CompositingTestSupport.h"
#include "compositing/CompositionBuilder.h"
#include "media/ExportSession.h"
#include "media/GifWriter.h"
#include "media/MediaTestSupport.h"
#include "media/VideoFrameReader.h"
#include "support/MediaProbe.h"

namespace tarnix {
namespace {

namespace Builder = CompositionBuilder;
using media::ExportPreset;
using media::ExportStatus;
using media::test::TempFolder;

CutRegion cut(double start, double end) { return {Uuid::random(), start, end}; }

// An 8 s screen, left half red and right half blue, with a white flash from 5.0 s to 5.1 s in the
// middle and a 1 kHz beep at exactly the same time.
class CutAndCanvasExportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new TempFolder;
        media::test::runFfmpeg(
            "-f lavfi -i \"color=red:s=320x180:r=30:d=8,drawbox=x=160:y=0:w=160:h=180:color=blue:"
            "t=fill,drawbox=x=120:y=60:w=80:h=60:color=white:t=fill:enable='between(t,5,5.09)'\" "
            "-f lavfi -i \"aevalsrc='if(between(t,5,5.1),0.8*sin(2*PI*1000*t),0)':s=48000:d=8\" "
            "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac \"" +
            (*folder / "screen.mp4").string() + "\"");
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }

    static RecordingTimeline input(std::vector<CutRegion> cuts)
    {
        RecordingTimeline timeline;
        timeline.videoURL = *folder / "screen.mp4";
        timeline.hasSystemAudio = true;
        timeline.cutRegions = std::move(cuts);
        timeline.cursorOverlay.isEnabled = false;
        return timeline;
    }

    static std::filesystem::path exported(const RecordingTimeline& in, const std::string& name,
                                          ExportPreset preset = ExportPreset::highestQuality,
                                          media::ExportFileType type = media::ExportFileType::mpeg4)
    {
        auto built = Builder::build(in);
        media::ExportSession session(built.composition, preset);
        session.setVideoComposition(built.videoComposition);
        session.setOutputFileType(type);
        std::filesystem::path out = *folder / name;
        session.setOutputURL(out);
        session.exportSynchronously();
        EXPECT_EQ(session.status(), ExportStatus::completed)
            << (session.error() ? describe(*session.error()) : "");
        return out;
    }

    static inline TempFolder* folder = nullptr;
};

TEST_F(CutAndCanvasExportTest, ExportsLastTheKeptTimeForCutsAtTheStartMiddleAndEnd)
{
    struct Case {
        std::vector<CutRegion> cuts;
        double kept;
    };
    const Case cases[] = {
        {{cut(0, 1.5)}, 6.5},
        {{cut(2, 3), cut(2.5, 4)}, 6},
        {{cut(6.8, 8)}, 6.8},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        auto built = Builder::build(input(c.cuts));
        EXPECT_NEAR(built.composition->duration(), c.kept, 1e-6);
        for (const auto& track : built.composition->tracks())
            EXPECT_NEAR(track.duration(), c.kept, 1e-6) << "track " << track.trackID;
        media::test::ProbedMovie movie =
            media::test::probe(exported(input(c.cuts), "kept-" + std::to_string(n++) + ".mp4"));
        EXPECT_NEAR(movie.videoDuration, c.kept, 1 / 30.0 + 1e-6);
        EXPECT_NEAR(movie.audioEnd, c.kept, 1 / 30.0 + 1e-6);
    }
}

TEST_F(CutAndCanvasExportTest, PictureAndSoundStayTogetherAfterACut)
{
    // 1.5 s cut before the flash: it shows, and beeps, at 3.5 s.
    std::filesystem::path out = exported(input({cut(1, 2.5)}), "aligned.mp4");
    double flash = -1;
    test::forEachVideoFrame(out, [&](const QImage& frame, double time) {
        if (flash < 0 && qRed(frame.pixel(160, 90)) > 200 && qBlue(frame.pixel(160, 90)) > 200)
            flash = time;
    });
    auto sound = test::audioStats(out);
    ASSERT_TRUE(sound);
    EXPECT_NEAR(flash, 3.5, 0.5 / 30);
    EXPECT_NEAR(sound->firstLoudTime, 3.5, 1 / 30.0);
    EXPECT_NEAR(sound->firstLoudTime, flash, 1 / 30.0);
}

TEST_F(CutAndCanvasExportTest, AZoomStraddlingACutContinuesAfterItAndEndsOnSourceTime)
{
    RecordingTimeline in = input({cut(2.5, 4)});
    // Into the right (blue) half from 1 s to 5.5 s of the recording.
    in.zoomRegions = {ZoomRegion{Uuid::random(), 1.0, 5.5, Rect{0.5, 0.25, 0.5, 0.5}}};
    // A press inside the cut makes no ripple after it; one before it still does.
    in.clickEvents = {ClickEvent{Uuid::random(), 3, {10, 10}, ClickKind::leftDown},
                               ClickEvent{Uuid::random(), 2, {10, 10}, ClickKind::leftDown}};
    auto built = Builder::build(in);
    ASSERT_EQ(built.instruction->clickSamples().size(), 1u);
    EXPECT_EQ(built.instruction->clickSamples()[0].time, 2);

    media::VideoFrameReader reader(media::MediaAsset::load(exported(in, "zoom.mp4"))
                                       .tracks(media::MediaType::video)[0]);
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    EXPECT_PIXEL_NEAR(reader.frameAt(0.3), 40, 90, red, 60);  // before the zoom
    EXPECT_PIXEL_NEAR(reader.frameAt(2.0), 40, 90, blue, 60); // zoomed, before the cut
    EXPECT_PIXEL_NEAR(reader.frameAt(2.8), 40, 90, blue, 60); // 4.3 s: zoomed after the cut
    EXPECT_PIXEL_NEAR(reader.frameAt(4.7), 40, 90, red, 60);  // 6.2 s: the zoom has ended
}

TEST_F(CutAndCanvasExportTest, ATallCanvasFitsTheRecordingWithBackgroundAroundIt)
{
    RecordingTimeline in = input({});
    in.background = withCanvasAspect(in.background, CanvasAspect::tall9x16);
    in.background.style = BackgroundStyle::solid;
    in.background.solidColor = {1, 1, 0, 1}; // yellow
    in.background.padding = 0.05;
    in.cameraOverlay.sizeFraction = 0.2;
    auto built = Builder::build(in);
    EXPECT_EQ(built.videoComposition.renderSize, QSize(180, 320));
    // The camera bubble and the overlays refer to the recording-shaped band across the middle.
    ASSERT_TRUE(built.instruction->edits().overlayFrame);
    EXPECT_NEAR(built.instruction->edits().overlayFrame->width, 180, 1e-9);
    EXPECT_NEAR(built.instruction->edits().overlayFrame->height, 101.25, 1e-9);

    media::test::ProbedMovie movie = media::test::probe(exported(in, "tall.mp4"));
    EXPECT_EQ(movie.width, 180);
    EXPECT_EQ(movie.height, 320);
    media::VideoFrameReader reader(media::MediaAsset::load(*folder / "tall.mp4")
                                       .tracks(media::MediaType::video)[0]);
    QImage frame = reader.frameAt(1);
    const QRgb yellow = qRgb(255, 255, 0), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    EXPECT_PIXEL_NEAR(frame, 90, 20, yellow, 40);  // above the content
    EXPECT_PIXEL_NEAR(frame, 90, 300, yellow, 40); // below it
    EXPECT_PIXEL_NEAR(frame, 2, 160, yellow, 40);  // the padding at the side
    EXPECT_PIXEL_NEAR(frame, 50, 160, red, 40);    // the recording, whole and upright
    EXPECT_PIXEL_NEAR(frame, 130, 160, blue, 40);

    // At 1080p the preset names the short side.
    media::VideoComposition composition = built.videoComposition;
    EXPECT_EQ(media::exportFrameSize(ExportPreset::preset1920x1080, composition), QSize(1080, 1920));
    EXPECT_EQ(Builder::canvasSize({2560, 1440}, CanvasAspect::square1x1), QSize(1440, 1440));
    EXPECT_EQ(Builder::canvasSize({2560, 1440}, CanvasAspect::portrait4x5), QSize(1440, 1800));
    EXPECT_EQ(Builder::canvasSize({1280, 720}, CanvasAspect::source), QSize(1280, 720));
}

TEST_F(CutAndCanvasExportTest, AGifHasFifteenFramesASecondAtMost960PixelsAndAPaletteOf256)
{
    RecordingTimeline in = input({cut(0, 5.5)}); // 2.5 s kept
    std::filesystem::path out = exported(in, "clip.gif", ExportPreset::preset1920x1080,
                                         media::ExportFileType::gif);
    media::test::ProbedMovie movie = media::test::probe(out);
    EXPECT_EQ(movie.videoCodec, "gif");
    EXPECT_EQ(movie.width, 960);
    EXPECT_EQ(movie.height, 540);
    EXPECT_FALSE(movie.hasAudio);
    std::size_t mostColours = 0;
    int frames = test::forEachVideoFrame(out, [&](const QImage& frame, double) {
        std::set<QRgb> colours;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                colours.insert(frame.pixel(x, y));
        mostColours = std::max(mostColours, colours.size());
    });
    EXPECT_EQ(frames, 38); // 2.5 s × 15, the last partial frame included
    EXPECT_LE(mostColours, 256u);
    EXPECT_GT(mostColours, 2u);
    EXPECT_EQ(media::gifFrameSize({1080, 1920}), QSize(540, 960));
    EXPECT_EQ(media::gifFrameSize({640, 360}), QSize(640, 360));
}

TEST_F(CutAndCanvasExportTest, AGifReportsProgressAndCanBeCancelled)
{
    auto built = Builder::build(input({}));
    media::ExportSession session(built.composition, ExportPreset::highestQuality);
    session.setVideoComposition(built.videoComposition);
    session.setOutputFileType(media::ExportFileType::gif);
    std::filesystem::path out = *folder / "cancelled.gif";
    session.setOutputURL(out);
    std::atomic<bool> sawProgress{false};
    session.setProgressHandler([&](double p) {
        if (p > 0 && p < 1) {
            sawProgress = true;
            session.cancelExport();
        }
    });
    session.exportSynchronously();
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(session.status(), ExportStatus::cancelled);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(CutAndCanvasExportTest, CuttingEverythingIsRefusedWithAClearMessage)
{
    try {
        Builder::build(input({cut(0, 3), cut(2.9995, 8)}));
        FAIL() << "built a composition with nothing in it";
    } catch (const Builder::BuildError& e) {
        EXPECT_EQ(e.kind(), Builder::BuildError::Kind::everythingCut);
        EXPECT_EQ(e.error().description, kEverythingCutMessage);
    }
}

} // namespace
} // namespace tarnix
