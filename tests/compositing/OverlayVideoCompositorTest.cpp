#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "CompositingTestSupport.h"
#include "compositing/CompositorError.h"
#include "compositing/OverlayInstruction.h"
#include "compositing/OverlayVideoCompositor.h"
#include "media/MediaTestSupport.h"
#include "zoom/ZoomCompositor.h"

using namespace tarnix;

namespace {

class FixedContext final : public media::RenderContext {
public:
    explicit FixedContext(QSize size, bool givesBuffers = true)
        : size_(size), givesBuffers_(givesBuffers)
    {
    }
    QSize size() const override { return size_; }
    QImage newPixelBuffer() override
    {
        return givesBuffers_ ? QImage(size_, graphics::kPixelFormat) : QImage();
    }

private:
    QSize size_;
    bool givesBuffers_;
};

class Request final : public media::CompositionRequest {
public:
    Request(std::shared_ptr<const media::VideoCompositionInstruction> instruction, double time,
            QImage screen, QImage camera = {})
        : instruction_(std::move(instruction)), time_(time), screen_(std::move(screen)),
          camera_(std::move(camera))
    {
    }
    double compositionTime() const override { return time_; }
    std::shared_ptr<const media::VideoCompositionInstruction> videoCompositionInstruction() const override
    {
        return instruction_;
    }
    QImage sourceFrameByTrackID(media::TrackID id) const override
    {
        return id == 1 ? screen_ : id == 2 ? camera_ : QImage();
    }
    void finishWithComposedVideoFrame(QImage frame) override
    {
        ++finished;
        this->frame = std::move(frame);
    }
    void finishWithError(const media::MediaError& error) override
    {
        ++finished;
        this->error = error;
    }

    int finished = 0;
    QImage frame;
    std::optional<media::MediaError> error;

private:
    std::shared_ptr<const media::VideoCompositionInstruction> instruction_;
    double time_;
    QImage screen_, camera_;
};

struct Edits {
    std::optional<media::TrackID> cameraTrack;
    std::vector<ZoomRegion> regions;
    CameraOverlaySettings camera;
    std::optional<BackgroundFrame> background;
    std::vector<NormalizedCursorSample> cursor;
    CursorOverlaySettings cursorSettings;
    std::vector<NormalizedClickSample> clicks;
    std::vector<RedactRegion> redactions;

    std::shared_ptr<const OverlayInstruction> instruction() const
    {
        return std::make_shared<OverlayInstruction>(media::TimeRange{0, 10}, 1, cameraTrack,
                                                    regions, camera, background, cursor,
                                                    cursorSettings, clicks, redactions);
    }
};

// Edits that draw nothing over the screen picture.
Edits plainEdits()
{
    Edits edits;
    edits.cursorSettings.isEnabled = false;
    edits.cursorSettings.showsClickRipples = false;
    return edits;
}

// A picture with something everywhere: a gradient with stripes.
QImage pattern(int w, int h)
{
    QImage image = test::solid(w, h, Qt::black);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x / 10) % 2 ? 255 : 0));
    return image;
}

std::unique_ptr<OverlayVideoCompositor> compositor(QSize size)
{
    auto c = std::make_unique<OverlayVideoCompositor>();
    c->renderContextChanged(std::make_shared<FixedContext>(size));
    return c;
}

} // namespace

TEST(OverlayCompositor, AnotherInstructionTypeOrNoScreenFrameIsAMissingFrame)
{
    auto c = compositor({64, 36});
    auto otherKind = std::make_shared<media::test::ScreenInstruction>(media::TimeRange{0, 1});
    Request other(otherKind, 0, pattern(64, 36));
    c->startRequest(other);
    ASSERT_TRUE(other.error);
    EXPECT_EQ(other.error->domain, "CompositorError");
    EXPECT_EQ(other.error->description, "Missing a source frame while rendering.");
    EXPECT_EQ(other.finished, 1);

    Request noScreen(plainEdits().instruction(), 0, QImage());
    c->startRequest(noScreen);
    ASSERT_TRUE(noScreen.error);
    EXPECT_EQ(noScreen.error->description, "Missing a source frame while rendering.");
}

TEST(OverlayCompositor, WithoutARenderContextOrBufferThereIsNoRenderBuffer)
{
    OverlayVideoCompositor c;
    Request early(plainEdits().instruction(), 0, pattern(64, 36));
    c.startRequest(early);
    ASSERT_TRUE(early.error);
    EXPECT_EQ(early.error->domain, "CompositorError");
    EXPECT_EQ(early.error->description, "Couldn't allocate a render buffer.");
    EXPECT_EQ(early.finished, 1);

    c.renderContextChanged(std::make_shared<FixedContext>(QSize(64, 36), false));
    Request refused(plainEdits().instruction(), 0, pattern(64, 36));
    c.startRequest(refused);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->description, "Couldn't allocate a render buffer.");

    // Once a working context arrives, the next request renders normally.
    c.renderContextChanged(std::make_shared<FixedContext>(QSize(64, 36)));
    Request later(plainEdits().instruction(), 0, pattern(64, 36));
    c.startRequest(later);
    EXPECT_FALSE(later.error);
    EXPECT_EQ(later.frame.size(), QSize(64, 36));
    c.cancelAllPendingVideoCompositionRequests();
    EXPECT_EQ(later.finished, 1);
}

TEST(OverlayCompositor, WithNothingToAddTheOutputIsTheScreenFrameAtTheContextsSize)
{
    QImage screen = pattern(320, 180);
    Request same(plainEdits().instruction(), 1, screen);
    compositor({320, 180})->startRequest(same);
    ASSERT_FALSE(same.error);
    EXPECT_EQ(same.frame, screen);

    Request larger(plainEdits().instruction(), 1, test::solid(640, 360, Qt::red));
    compositor({320, 180})->startRequest(larger);
    ASSERT_FALSE(larger.error);
    EXPECT_EQ(larger.frame.size(), QSize(320, 180));
    EXPECT_PIXEL_NEAR(larger.frame, 319, 179, qRgb(255, 0, 0), 0);
}

TEST(OverlayCompositor, OddInputsStillGiveAFrame)
{
    Edits edits;
    ZoomRegion zoom;
    zoom.start = 0;
    zoom.end = 1;
    zoom.rect = {0.2, 0.2, 0.5, 0.5};
    edits.regions = {zoom};
    edits.cursor = {{0, {0.5, 0.5}}};
    edits.clicks = {{0, {0.5, 0.5}}};
    // A time that is not a number, and a screen frame in another pixel format.
    QImage screen = pattern(160, 90).convertToFormat(QImage::Format_RGB32);
    for (double t : {std::nan(""), -5.0, 1e12}) {
        Request request(edits.instruction(), t, screen);
        compositor({160, 90})->startRequest(request);
        EXPECT_FALSE(request.error) << t;
        EXPECT_EQ(request.frame.size(), QSize(160, 90));
        EXPECT_EQ(request.finished, 1);
    }
}

TEST(OverlayCompositor, TheOutputTakesTheRenderContextsSize)
{
    QImage screen = test::solid(640, 360, Qt::red);
    Request request(plainEdits().instruction(), 1, screen);
    compositor({320, 180})->startRequest(request);
    ASSERT_FALSE(request.error);
    EXPECT_EQ(request.frame.size(), QSize(320, 180));
    EXPECT_PIXEL_NEAR(request.frame, 319, 179, qRgb(255, 0, 0), 0);
}

TEST(OverlayCompositor, AMissingCameraFrameLeavesTheBubbleOut)
{
    Edits edits = plainEdits();
    edits.cameraTrack = 2;
    edits.camera.isEnabled = true;
    edits.camera.position = {0.5, 0.5};
    QImage screen = test::solid(320, 180, Qt::black);
    Request without(edits.instruction(), 1, screen);
    compositor({320, 180})->startRequest(without);
    ASSERT_FALSE(without.error);
    EXPECT_EQ(without.frame, screen);

    Request with(edits.instruction(), 1, screen, test::solid(64, 48, Qt::red));
    compositor({320, 180})->startRequest(with);
    EXPECT_PIXEL_NEAR(with.frame, 160, 90, qRgb(255, 0, 0), 0);
}

TEST(OverlayCompositor, DrawsEveryLayerAndBlursTheRedactionOverTheBubble)
{
    Edits edits;
    edits.cameraTrack = 2;
    edits.camera.isEnabled = true;
    edits.camera.mirrored = false;
    edits.camera.sizeFraction = 0.25;
    edits.camera.position = {0.25, 0.5};
    BackgroundSettings background;
    background.style = BackgroundStyle::solid;
    background.solidColor = {0, 1, 0, 1};
    background.padding = 0.1;
    background.shadowOpacity = 0;
    edits.background = BackgroundRenderer::makeFrame({640, 360}, background);
    edits.cursor = {{0, {0.75, 0.5}}};
    edits.cursorSettings.style = CursorStyle::dot;
    edits.cursorSettings.sizeFraction = 0.05;
    // The redaction covers the left half of the capture, where the bubble sits.
    RedactRegion redact;
    redact.start = 0;
    redact.end = 5;
    redact.rect = {0, 0, 0.5, 1};
    edits.redactions = {redact};

    QImage camera = pattern(320, 320);
    Request request(edits.instruction(), 1, test::solid(640, 360, Qt::black), camera);
    compositor({640, 360})->startRequest(request);
    ASSERT_FALSE(request.error);
    const QImage& frame = request.frame;
    EXPECT_PIXEL_NEAR(frame, 3, 3, qRgb(0, 255, 0), 0);            // padding
    EXPECT_PIXEL_NEAR(frame, 480, 100, qRgb(0, 0, 0), 0);          // the screen
    // The dot at (0.75, 0.5) of the capture: (0.1 + 0.8 × 0.75) of the width.
    EXPECT_PIXEL_NEAR(frame, 448, 180, qRgb(255, 255, 255), 0);
    // The bubble at (160, 180) is blurred: the striped camera picture has lost its stripes.
    EXPECT_LT(test::spread(frame, QRect(150, 170, 20, 20)), 30);

    // Without the redaction the stripes are there.
    edits.redactions.clear();
    Request sharp(edits.instruction(), 1, test::solid(640, 360, Qt::black), camera);
    compositor({640, 360})->startRequest(sharp);
    EXPECT_GT(test::spread(sharp.frame, QRect(150, 170, 20, 20)), 80);
}

namespace {

// The centre of the box around every pixel where two frames differ; nothing when they are equal.
std::optional<QPointF> centreOfChange(const QImage& a, const QImage& b)
{
    int left = a.width(), right = -1, top = a.height(), bottom = -1;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return std::nullopt;
    return QPointF((left + right + 1) / 2.0, (top + bottom + 1) / 2.0);
}

QImage render(const Edits& edits, double t, QSize size)
{
    Request request(edits.instruction(), t, test::solid(size.width(), size.height(), Qt::black));
    compositor(size)->startRequest(request);
    return request.frame;
}

} // namespace

// A cursor and a press at one point of the capture land where the zoom and the background put that
// point, at every moment of a zoom's motion: the point's place on the output is worked out here
// from the zoom rectangle at that time and the background's content rectangle.
TEST(OverlayCompositor, CursorAndRipplesFollowTheZoomAndThePaddedContent)
{
    const QSize size(640, 360);
    const Point point{0.7, 0.6}; // normalised capture space
    BackgroundSettings padded;
    padded.style = BackgroundStyle::solid;
    padded.solidColor = {0, 0, 1, 1};
    padded.padding = 0.1;
    padded.shadowOpacity = 0;
    const std::vector<ZoomRegion> zoom{ZoomRegion{Uuid::random(), 2, 5, Rect{0.5, 0.4, 0.4, 0.4}}};

    struct Case {
        const char* what;
        bool background;
        bool zoomed;
        double t;
    };
    for (Case c : {Case{"zooming in", false, true, 1.55}, Case{"zoomed", false, true, 3},
                   Case{"padded", true, false, 3}, Case{"padded, zooming in", true, true, 1.7},
                   Case{"padded and zoomed", true, true, 3}}) {
        SCOPED_TRACE(c.what);
        Edits edits = plainEdits();
        if (c.background)
            edits.background = BackgroundRenderer::makeFrame({640, 360}, padded);
        if (c.zoomed)
            edits.regions = zoom;
        const Rect z = ZoomCompositor::rect(c.t, edits.regions);
        Rect content{0, 0, 640, 360}; // image pixels, top-left origin
        if (edits.background)
            content = {edits.background->contentOrigin.x,
                       360 - edits.background->contentOrigin.y - edits.background->contentSize.height,
                       edits.background->contentSize.width, edits.background->contentSize.height};
        const QPointF expected(content.x + (point.x - z.x) / z.width * content.width,
                               content.y + (point.y - z.y) / z.height * content.height);
        const QImage plain = render(edits, c.t, size);

        Edits cursor = edits;
        cursor.cursor = {{0, point}, {10, point}};
        cursor.cursorSettings.isEnabled = true;
        cursor.cursorSettings.style = CursorStyle::dot;
        cursor.cursorSettings.sizeFraction = 0.03;
        const auto dot = centreOfChange(render(cursor, c.t, size), plain);
        ASSERT_TRUE(dot);
        EXPECT_NEAR(dot->x(), expected.x(), 1.0);
        EXPECT_NEAR(dot->y(), expected.y(), 1.0);

        Edits press = edits;
        press.clicks = {{c.t - 0.2, point}};
        press.cursorSettings.showsClickRipples = true;
        press.cursorSettings.sizeFraction = 0.03;
        const auto ripple = centreOfChange(render(press, c.t, size), plain);
        ASSERT_TRUE(ripple);
        EXPECT_NEAR(ripple->x(), expected.x(), 1.0);
        EXPECT_NEAR(ripple->y(), expected.y(), 1.0);
    }
}

namespace {

// The box around every pixel where two frames differ (empty when they are equal).
QRect changedArea(const QImage& a, const QImage& b)
{
    QRect area;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

QImage renderOver(const QImage& screen, const Edits& edits, double t)
{
    Request request(edits.instruction(), t, screen);
    compositor(screen.size())->startRequest(request);
    return request.frame;
}

} // namespace

// A region stored with unequal sides, 0.8 x 0.05 as older documents have them, is drawn as the
// frame-shaped (0.1, 0.025, 0.8, 0.8) about its centre: the picture is scaled evenly, and the
// cursor, a press and a blur box land where that rectangle puts them. The cursor lies outside the
// stored strip but inside what is shown, so it is drawn.
TEST(OverlayCompositor, AStripRegionIsDrawnAndMappedAsItsFrameShapedRectangle)
{
    const QSize size(640, 360);
    Edits edits = plainEdits();
    edits.regions = {ZoomRegion{Uuid::random(), 0, 10, Rect{0.1, 0.4, 0.8, 0.05}}};
    const double t = 3;

    // Output (400, 100) shows capture pixel (64 + 0.8 × 400, 9 + 0.8 × 100) = (384, 89), in the
    // middle of one of the pattern's 10-pixel stripes.
    const QImage picture = renderOver(pattern(640, 360), edits, t);
    const QRgb shown = picture.pixel(400, 100);
    EXPECT_NEAR(qRed(shown), 384 * 255 / 640, 2);
    EXPECT_NEAR(qGreen(shown), 89 * 255 / 360, 2);

    const Point point{0.3, 0.6};
    const QPointF expected((0.3 - 0.1) / 0.8 * 640, (0.6 - 0.025) / 0.8 * 360); // (160, 258.75)
    const QImage plain = render(edits, t, size);
    Edits cursor = edits;
    cursor.cursor = {{0, point}};
    cursor.cursorSettings.isEnabled = true;
    cursor.cursorSettings.style = CursorStyle::dot;
    Edits press = edits;
    press.clicks = {{t - 0.2, point}};
    press.cursorSettings.showsClickRipples = true;
    for (Edits* overlay : {&cursor, &press}) {
        overlay->cursorSettings.sizeFraction = 0.03;
        const auto centre = centreOfChange(render(*overlay, t, size), plain);
        ASSERT_TRUE(centre) << (overlay == &cursor ? "the cursor" : "the ripple") << " is not drawn";
        EXPECT_NEAR(centre->x(), expected.x(), 1.0);
        EXPECT_NEAR(centre->y(), expected.y(), 1.0);
    }

    // A blur box at (0.5, 0.5, 0.1, 0.1) of the capture covers (320, 213.75, 80, 45) of the output.
    Edits blurred = edits;
    blurred.redactions = {{Uuid::random(), 0, 10, {0.5, 0.5, 0.1, 0.1}}};
    const QRect area = changedArea(renderOver(pattern(640, 360), blurred, t), picture);
    EXPECT_NEAR(area.left(), 320, 1);
    EXPECT_NEAR(area.right() + 1, 400, 1);
    EXPECT_NEAR(area.top(), 213.75, 1);
    EXPECT_NEAR(area.bottom() + 1, 258.75, 1);
}

TEST(OverlayCompositor, SeveralThreadsRenderTheSameFramesAsOne)
{
    Edits edits;
    edits.cameraTrack = 2;
    edits.camera.isEnabled = true;
    BackgroundSettings background;
    background.style = BackgroundStyle::gradient;
    edits.background = BackgroundRenderer::makeFrame({480, 270}, background);
    ZoomRegion zoom;
    zoom.start = 0.5;
    zoom.end = 1.5;
    zoom.rect = {0.2, 0.3, 0.4, 0.4};
    edits.regions = {zoom};
    edits.cursor = {{0, {0.1, 0.1}}, {2, {0.9, 0.9}}};
    edits.clicks = {{0.3, {0.4, 0.4}}, {0.9, {0.5, 0.5}}};
    RedactRegion redact;
    redact.start = 0;
    redact.end = 2;
    redact.rect = {0.3, 0.4, 0.2, 0.2};
    edits.redactions = {redact};
    auto instruction = edits.instruction();
    QImage screen = pattern(480, 270), camera = pattern(200, 150);

    auto shared = compositor({480, 270});
    const int frames = 12;
    std::vector<QImage> expected(frames);
    for (int i = 0; i < frames; ++i) {
        Request request(instruction, i * 0.15, screen, camera);
        shared->startRequest(request);
        expected[i] = request.frame;
    }
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([&, thread] {
            for (int round = 0; round < 3; ++round)
                for (int i = (thread + round) % frames, n = 0; n < frames; ++n, i = (i + 1) % frames) {
                    if (thread == 0 && n == frames / 2) // a context swap in the middle
                        shared->renderContextChanged(std::make_shared<FixedContext>(QSize(480, 270)));
                    Request request(instruction, i * 0.15, screen, camera);
                    shared->startRequest(request);
                    if (request.finished != 1 || request.frame != expected[i])
                        ++mismatches;
                }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches, 0);
}
