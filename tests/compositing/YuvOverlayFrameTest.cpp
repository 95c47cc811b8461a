// The export draws in 4:2:0 planes: it must give the picture the BGRA path gives, layer for layer.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>

extern "C" {
#include <libavutil/frame.h>
}

#include <cmath>

#include "CompositingTestSupport.h"
#include "compositing/CompositionBuilder.h"
#include "compositing/OverlayFrame.h"
#include "compositing/OverlayVideoCompositor.h"
#include "compositing/YuvOverlayFrame.h"
#include "media/ExportSession.h"
#include "media/FrameRequest.h"
#include "media/MediaTestSupport.h"
#include "media/VideoFrameReader.h"
#include "media/YuvConversion.h"

namespace tarnix {
namespace {

namespace Builder = CompositionBuilder;

using test::ensureGuiApplication;

using FramePtr = std::shared_ptr<AVFrame>;

FramePtr yuvFrame(int w, int h)
{
    FramePtr frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = w;
    frame->height = h;
    frame->colorspace = AVCOL_SPC_BT709;
    frame->color_range = AVCOL_RANGE_MPEG;
    if (av_frame_get_buffer(frame.get(), 64) < 0)
        return nullptr;
    return frame;
}

// A screen with detail everywhere: gradients, thin lines and coloured blocks, in the decoder's
// 4:2:0 planes, `w` × `h` (odd sizes allowed: the planes are made one pixel larger).
FramePtr screenFrame(int w, int h)
{
    const int ew = (w + 1) & ~1, eh = (h + 1) & ~1;
    QImage picture(ew, eh, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < eh; ++y)
        for (int x = 0; x < ew; ++x)
            picture.setPixel(x, y, qRgb(x * 255 / ew, y * 255 / eh, (x / 40 + y / 30) % 2 ? 200 : 40));
    QPainter painter(&picture);
    painter.fillRect(QRect(ew / 5, eh / 4, ew / 6, eh / 5), Qt::red);
    painter.setPen(QPen(Qt::white, 1));
    for (int x = 7; x < ew; x += 23)
        painter.drawLine(x, 0, x, eh);
    painter.end();
    FramePtr frame = yuvFrame(ew, eh);
    media::convertBgraToYuv420(picture, *frame);
    frame->width = w;
    frame->height = h;
    return frame;
}

double meanDifference(const std::uint8_t* a, int aStride, const std::uint8_t* b, int bStride,
                      const QRect& area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += std::abs(a[y * aStride + x] - b[y * bStride + x]);
    return area.isEmpty() ? 0 : sum / (double(area.width()) * area.height());
}

// Per plane, the mean difference over `area` (luma pixels; chroma takes its half).
std::array<double, 3> planeDifferences(const AVFrame& a, const AVFrame& b, const QRect& area)
{
    std::array<double, 3> out{};
    for (int p = 0; p < 3; ++p) {
        const QRect r = p == 0 ? area
                               : QRect(area.left() / 2, area.top() / 2, area.width() / 2,
                                       area.height() / 2);
        out[p] = meanDifference(a.data[p], a.linesize[p], b.data[p], b.linesize[p], r);
    }
    return out;
}

struct Paths {
    FramePtr rgb; // composed in BGRA, converted as the export did
    FramePtr yuv; // composed in the planes
};

// The frame at `time` both ways, from the same 4:2:0 screen picture.
Paths composeBothWays(const Builder::Result& built, const AVFrame& screen, const QImage& camera,
                      double time)
{
    auto instruction =
        std::dynamic_pointer_cast<const OverlayInstruction>(built.videoComposition.instructionAt(time));
    const QSize size = built.videoComposition.renderSize;
    const BackgroundFrame* background =
        instruction->backgroundFrame() ? &*instruction->backgroundFrame() : nullptr;
    QImage output = graphics::makeImage(size.width(), size.height());
    OverlayFrame::draw(output, *instruction, time, media::toPicture(screen), camera, background);
    Paths paths{yuvFrame(size.width(), size.height()), yuvFrame(size.width(), size.height())};
    media::convertBgraToYuv420(output, *paths.rgb);
    auto inYuv = YuvBackground::make(background, size);
    EXPECT_TRUE(inYuv);
    if (!inYuv || !YuvOverlayFrame::draw(*paths.yuv, *instruction, time, screen, camera, background,
                                         *inYuv))
        return {};
    return paths;
}

// The frame at `time` at an output size other than the render size, both ways through the
// compositor as the export runs it: in BGRA by a compositor whose render context has the output's
// size, then converted; and in the planes by one whose render context keeps the render size.
Paths composeAtSize(const Builder::Result& built, const FramePtr& screen, const QImage& camera,
                    double time, QSize size)
{
    auto instruction = built.videoComposition.instructionAt(time);
    const media::TrackID cameraTrack =
        std::dynamic_pointer_cast<const OverlayInstruction>(instruction)->cameraTrackID().value_or(0);
    const std::map<media::TrackID, QImage> cameraOnly{{cameraTrack, camera}};
    std::map<media::TrackID, QImage> sources = cameraOnly;
    sources[OverlayInstruction::kScreenTrackID] = media::toPicture(*screen);

    OverlayVideoCompositor inBgra;
    inBgra.renderContextChanged(std::make_shared<media::FixedRenderContext>(size));
    const media::ComposedFrame composed = media::composeFrame(inBgra, time, instruction, sources);
    EXPECT_FALSE(composed.error);
    OverlayVideoCompositor inPlanes;
    inPlanes.renderContextChanged(
        std::make_shared<media::FixedRenderContext>(built.videoComposition.renderSize));
    Paths paths{yuvFrame(size.width(), size.height()), yuvFrame(size.width(), size.height())};
    if (composed.error || !inPlanes.composeYuv(time, instruction, cameraOnly,
                                               {{OverlayInstruction::kScreenTrackID, screen}},
                                               *paths.yuv))
        return {};
    media::convertBgraToYuv420(composed.image, *paths.rgb);
    return paths;
}

// A 640 × 360 movie of 1.5 s tagged as the screen recorder tags its own (BT.709, limited range).
std::filesystem::path screenMovie(const std::filesystem::path& folder)
{
    const auto path = folder / "screen.mp4";
    media::test::runFfmpeg("-f lavfi -i testsrc2=s=640x360:r=30:d=1.5 -c:v libx264 -preset ultrafast "
                           "-pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 "
                           "-color_trc bt709 -color_range tv \"" + path.string() + "\"");
    return path;
}

RecordingTimeline busyTimeline(const std::filesystem::path& folder)
{
    RecordingTimeline timeline;
    timeline.videoURL = screenMovie(folder);
    timeline.cameraURL = media::test::makeMovie(folder / "camera.mov", 1.5, 320, 240, false);
    timeline.captureFrame = {0, 0, 640, 360};
    const double w = 640, h = 360;
    timeline.cursorSamples = {{Uuid::random(), 0, {0.3 * w, 0.4 * h}}, {Uuid::random(), 2, {0.6 * w, 0.55 * h}}};
    timeline.clickEvents = {{Uuid::random(), 0.9, {0.45 * w, 0.47 * h}, ClickKind::leftDown}};
    timeline.zoomRegions = {{Uuid::random(), 0.5, 1.8, {0.3, 0.3, 0.4, 0.4}, EasingCurve::easeInOut}};
    timeline.redactRegions = {{Uuid::random(), 0, 2, {0.6, 0.1, 0.2, 0.15}}};
    timeline.keyEvents = {{Uuid::random(), 0.7, "s", {KeyModifier::ctrl}}};
    timeline.textRegions = {TextRegion{}};
    timeline.textRegions.front().end = 2;
    timeline.textRegions.front().text = "Yuv ✓ text";
    timeline.textRegions.front().position = {0.3, 0.2};
    timeline.cameraOverlay.isEnabled = true;
    timeline.background.padding = 0.08;
    timeline.background.cornerRadius = 18;
    timeline.background.shadowOpacity = 0.6;
    return timeline;
}

class YuvOverlayFrameTest : public ::testing::Test {
protected:
    void SetUp() override { ensureGuiApplication(); }
};

// Every layer on, every kind of background, a zoom half way in (a fractional crop origin), a
// screen of odd size: within a level or two on average, over the frame and over each layer.
TEST_F(YuvOverlayFrameTest, GivesTheBgraPathsPictureWithEveryLayer)
{
    media::test::TempFolder folder;
    const QString wallpaper = QString::fromStdString((folder / "wall.png").string());
    graphics::makeImage(300, 200, QColor(30, 120, 200)).save(wallpaper);
    const QImage camera = graphics::makeImage(320, 240, QColor(200, 150, 90));
    // The composition is made for the movie's 640 × 360; a frame of another size (odd here) is
    // zoomed on its own pixels and stretched.
    for (QSize screenSize : {QSize(640, 360), QSize(641, 359)})
        for (BackgroundStyle style : {BackgroundStyle::none, BackgroundStyle::solid,
                                      BackgroundStyle::gradient, BackgroundStyle::image}) {
            SCOPED_TRACE("screen " + std::to_string(screenSize.width()) + "x" +
                         std::to_string(screenSize.height()) + ", background " +
                         std::to_string(int(style)));
            RecordingTimeline timeline = busyTimeline(folder.path());
            timeline.background.style = style;
            timeline.background.solidColor = {0.9, 0.2, 0.3, 1};
            timeline.background.imagePath = wallpaper.toStdString();
            const Builder::Result built = Builder::build(timeline);
            const QSize size = built.videoComposition.renderSize;
            if (size.width() % 2 || size.height() % 2)
                continue; // no 4:2:0 frame of odd size: the export takes the BGRA path
            const FramePtr screen = screenFrame(screenSize.width(), screenSize.height());
            for (double time : {0.0, 1.0}) {
                const Paths paths = composeBothWays(built, *screen, camera, time);
                ASSERT_TRUE(paths.yuv);
                // The BGRA path's decoder spreads the chroma of a picture of odd width over one
                // more half sample (libswscale rounds the chroma width up): up to half a chroma
                // sample off at the right edge, which shows on this picture's hard colour edges.
                const double tolerance = screenSize.width() % 2 ? 1.0 : 0;
                const auto whole = planeDifferences(*paths.rgb, *paths.yuv, QRect(QPoint(), size));
                for (int p = 0; p < 3; ++p)
                    EXPECT_LT(whole[p], 1.5 + tolerance) << "plane " << p << ", whole frame at " << time;
                auto instruction = std::dynamic_pointer_cast<const OverlayInstruction>(
                    built.videoComposition.instructionAt(time));
                const auto areas = YuvOverlayFrame::layerAreas(
                    *instruction, time, size,
                    instruction->backgroundFrame() ? &*instruction->backgroundFrame() : nullptr);
                // Bubble, cursor and blur; then the ripple, the text and the keys, the blur zoomed out.
                EXPECT_GE(areas.size(), time < 0.5 ? 3u : 5u);

                for (const QRect& area : areas)
                    for (double d : planeDifferences(*paths.rgb, *paths.yuv, area))
                        EXPECT_LT(d, 3.0 + tolerance) << "layer area " << area.x() << "," << area.y() << " "
                                          << area.width() << "x" << area.height();
            }
        }
}

// An export scaled by its preset composes at the output size: the background made for that size,
// the screen's planes scaled once to their place, the layers drawn at that scale. Larger (4K of a
// 1080p recording) and smaller, with a background and without: the BGRA path at the same size.
TEST_F(YuvOverlayFrameTest, ComposesAtAnOutputSizeOtherThanTheRenderSize)
{
    media::test::TempFolder folder;
    const QImage camera = graphics::makeImage(320, 240, QColor(200, 150, 90));
    const FramePtr screen = screenFrame(640, 360);
    for (BackgroundStyle style : {BackgroundStyle::none, BackgroundStyle::gradient}) {
        RecordingTimeline timeline = busyTimeline(folder.path());
        timeline.background.style = style;
        const Builder::Result built = Builder::build(timeline);
        ASSERT_EQ(built.videoComposition.renderSize, QSize(640, 360));
        for (QSize size : {QSize(1920, 1080), QSize(480, 270)})
            for (double time : {0.0, 1.0}) {
                SCOPED_TRACE("background " + std::to_string(int(style)) + ", " +
                             std::to_string(size.width()) + " wide at " + std::to_string(time));
                const Paths paths = composeAtSize(built, screen, camera, time, size);
                ASSERT_TRUE(paths.yuv);
                for (double d : planeDifferences(*paths.rgb, *paths.yuv, QRect(QPoint(), size)))
                    EXPECT_LT(d, 1.5);
                auto instruction = std::dynamic_pointer_cast<const OverlayInstruction>(
                    built.videoComposition.instructionAt(time));
                std::optional<BackgroundFrame> resized;
                if (instruction->backgroundFrame())
                    resized = BackgroundRenderer::resizedFrame(*instruction->backgroundFrame(), size);
                const auto areas = YuvOverlayFrame::layerAreas(*instruction, time, size,
                                                               resized ? &*resized : nullptr);
                EXPECT_GE(areas.size(), 3u);
                for (const QRect& area : areas)
                    for (double d : planeDifferences(*paths.rgb, *paths.yuv, area))
                        EXPECT_LT(d, 3.0) << "layer area " << area.x() << "," << area.y() << " "
                                          << area.width() << "x" << area.height();
            }
    }
}

// A layer drawn a few pixels off is far more than a level or two away: the comparison above
// would see a broken offset.
TEST_F(YuvOverlayFrameTest, ALayerMovedByAFewPixelsIsSeen)
{
    media::test::TempFolder folder;
    RecordingTimeline timeline = busyTimeline(folder.path());
    timeline.background.style = BackgroundStyle::gradient;
    const Builder::Result built = Builder::build(timeline);
    const FramePtr screen = screenFrame(640, 360);
    const QImage camera = graphics::makeImage(320, 240, QColor(200, 150, 90));
    const Paths paths = composeBothWays(built, *screen, camera, 1.0);
    ASSERT_TRUE(paths.yuv);
    RecordingTimeline moved = timeline;
    moved.cameraOverlay.position.x += 4.0 / 640;
    const Builder::Result shifted = Builder::build(moved);
    const Paths other = composeBothWays(shifted, *screen, camera, 1.0);
    ASSERT_TRUE(other.yuv);
    auto instruction = std::dynamic_pointer_cast<const OverlayInstruction>(
        built.videoComposition.instructionAt(1.0));
    double worst = 0;
    for (const QRect& area : YuvOverlayFrame::layerAreas(*instruction, 1.0, built.videoComposition.renderSize,
                                                         &*instruction->backgroundFrame()))
        for (double d : planeDifferences(*paths.rgb, *other.yuv, area))
            worst = std::max(worst, d);
    EXPECT_GT(worst, 3.0);
}

// The busy recording as the exports below write it: a gradient, no camera.
RecordingTimeline exportTimeline(const std::filesystem::path& folder)
{
    RecordingTimeline timeline = busyTimeline(folder);
    timeline.cameraOverlay.isEnabled = false;
    timeline.background.style = BackgroundStyle::gradient;
    return timeline;
}

// Exports the composition to `path`; true when it completed.
::testing::AssertionResult exported(const Builder::Result& built, media::ExportPreset preset,
                                    const std::filesystem::path& path, bool inYuv = true)
{
    media::ExportSession session(built.composition, preset);
    session.setVideoComposition(built.videoComposition);
    session.setOutputURL(path);
    session.setComposesInYuv(inYuv);
    session.exportSynchronously();
    if (session.status() == media::ExportStatus::completed)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (session.error() ? session.error()->description : "");
}

// A real export through the encoder, read back: composed in the planes or in BGRA, the same movie.
TEST_F(YuvOverlayFrameTest, AnExportInThePlanesReadsBackAsTheBgraExport)
{
    media::test::TempFolder folder;
    const RecordingTimeline timeline = exportTimeline(folder.path());
    const Builder::Result built = Builder::build(timeline);
    std::map<bool, std::filesystem::path> written;
    for (bool inYuv : {true, false}) {
        written[inYuv] = folder / (inYuv ? "yuv.mp4" : "bgra.mp4");
        ASSERT_TRUE(exported(built, media::ExportPreset::highestQuality, written[inYuv], inYuv));
    }
    const auto yuvAsset = media::MediaAsset::load(written[true]);
    const auto bgraAsset = media::MediaAsset::load(written[false]);
    media::VideoFrameReader yuvReader(yuvAsset.tracks(media::MediaType::video).front());
    media::VideoFrameReader bgraReader(bgraAsset.tracks(media::MediaType::video).front());
    for (double t : {0.2, 1.0, 1.4}) {
        const QImage a = yuvReader.frameAt(t), b = bgraReader.frameAt(t);
        ASSERT_EQ(a.size(), b.size());
        EXPECT_LT(test::meanDifference(a, b), 2.0) << "at " << t;
    }
}

// A real 4K export of the 640 × 360 recording, read back: each frame is the one the compositor
// draws in BGRA at 3840 × 2160 from the recording's frame, within what the encoder loses.
TEST_F(YuvOverlayFrameTest, A4kExportOfASmallerRecordingReadsBackAsTheFrameComposedAt4k)
{
    media::test::TempFolder folder;
    const RecordingTimeline timeline = exportTimeline(folder.path());
    const Builder::Result built = Builder::build(timeline);
    const auto written = folder / "4k.mp4";
    ASSERT_TRUE(exported(built, media::ExportPreset::preset3840x2160, written));

    const auto exported = media::MediaAsset::load(written);
    const auto source = media::MediaAsset::load(*timeline.videoURL);
    media::VideoFrameReader exportedReader(exported.tracks(media::MediaType::video).front());
    media::VideoFrameReader sourceReader(source.tracks(media::MediaType::video).front());
    OverlayVideoCompositor compositor;
    const QSize size(3840, 2160);
    compositor.renderContextChanged(std::make_shared<media::FixedRenderContext>(size));
    const double frameDuration = built.videoComposition.frameDuration();
    for (int index : {6, 30, 42}) {
        // Composed at the time the export composes frame `index`; read back from inside that
        // frame's interval, never on its edge.
        const double t = index * frameDuration;
        const QImage frame = exportedReader.frameAt(t + frameDuration / 2);
        ASSERT_EQ(frame.size(), size);
        const std::map<media::TrackID, QImage> sources{
            {OverlayInstruction::kScreenTrackID, sourceReader.frameAt(t)}};
        const media::ComposedFrame expected =
            media::composeFrame(compositor, t, built.videoComposition.instructionAt(t), sources);
        ASSERT_FALSE(expected.error);
        EXPECT_LT(test::meanDifference(frame, expected.image), 1.5) << "at " << t;
        // Cursor, ripple, blur, text and keys drawn at 4K: drawn small and enlarged, the text is
        // some 12 levels off. The blur on the planes is up to 3 levels from the BGRA blur at 4K
        // before encoding, as at any size.
        auto instruction = std::dynamic_pointer_cast<const OverlayInstruction>(
            built.videoComposition.instructionAt(t));
        const auto background = BackgroundRenderer::resizedFrame(*instruction->backgroundFrame(), size);
        for (const QRect& area : YuvOverlayFrame::layerAreas(*instruction, t, size, &*background))
            EXPECT_LT(test::meanDifference(frame.copy(area), expected.image.copy(area)), 4.0)
                << "at " << t << ", layer area " << area.x() << "," << area.y() << " "
                << area.width() << "x" << area.height();
    }
}

} // namespace
} // namespace tarnix
