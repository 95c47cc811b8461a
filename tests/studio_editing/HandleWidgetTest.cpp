// The preview handles dragged with the mouse, and the bubble's new place in the next frame the
// real compositor renders.

#include <QWindow>

#include "EditingTestSupport.h"
#include "compositing/CompositionBuilder.h"
#include "media/CompositionFrameRenderer.h"
#include "media/MediaTestSupport.h"
#include "studio/handles/PreviewHandle.h"
#include "compositing/TextRenderer.h"

namespace tarnix {
namespace {

namespace Builder = CompositionBuilder;

bool reddish(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
}

bool darkish(QRgb p)
{
    return qRed(p) < 40 && qGreen(p) < 40 && qBlue(p) < 40;
}

// Presses at `from`, moves in steps to `to` and releases, through the window of `surface` (a
// top-level widget), so that the widget under the pointer gets the events.
void drag(QWidget* surface, QPointF from, QPointF to, int steps = 8)
{
    QWindow* window = surface->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, from.toPoint());
    for (int i = 1; i <= steps; ++i)
        QTest::mouseMove(window, (from + (to - from) * i / steps).toPoint());
    QTest::mouseRelease(window, Qt::LeftButton, {}, to.toPoint());
    test::settle();
}

TEST(CameraHandle, DraggingMovesTheBubbleInTheNextRenderedFrame)
{
    test::application();
    media::test::TempFolder folder;
    ASSERT_TRUE(media::test::runFfmpeg("-f lavfi -i color=black:s=640x360:r=30:d=1 -c:v libx264 -preset "
                                       "ultrafast -pix_fmt yuv420p \"" + (folder / "screen.mp4").string() + "\""));
    ASSERT_TRUE(media::test::runFfmpeg("-f lavfi -i color=red:s=320x240:r=30:d=1 -c:v libx264 -preset "
                                       "ultrafast -pix_fmt yuv420p \"" + (folder / "camera.mov").string() + "\""));
    RecordingTimeline document;
    document.videoURL = folder / "screen.mp4";
    document.cameraURL = folder / "camera.mov";

    CameraOverlaySettings camera;
    camera.isEnabled = true;
    camera.shape = CameraBubbleShape::circle;
    camera.sizeFraction = 0.2;
    int commits = 0;
    auto render = [&] {
        RecordingTimeline input = document;
        input.cameraOverlay = camera;
        input.cursorOverlay.isEnabled = false;
        Builder::Result result = Builder::build(input);
        media::CompositionFrameRenderer renderer(result.composition, result.videoComposition);
        return renderer.frameAt(0.5);
    };

    // The preview shows the picture at its own size: 640 × 360 points.
    QWidget preview;
    preview.resize(640, 360);
    PreviewHandle handle(PreviewHandle::Kind::camera, &preview);
    handle.cameraSettings = Binding<CameraOverlaySettings>::to(&camera);
    handle.onCommit = [&] { ++commits; };
    handle.setContainerRect(QRectF(0, 0, 640, 360));
    test::show(preview);
    // Side = width × size, centred on the bubble.
    EXPECT_NEAR(handle.geometry().width(), 128, 1);
    EXPECT_NEAR(QRectF(handle.geometry()).center().x(), 0.84 * 640, 1);
    EXPECT_NEAR(QRectF(handle.geometry()).center().y(), 0.82 * 360, 1);

    QImage before = render();
    QPointF start(0.84 * 640, 0.82 * 360);
    ASSERT_TRUE(reddish(before.pixel(start.toPoint())));

    // Under 10 points: no drag, no change, no commit.
    drag(&preview, start, start + QPointF(6, -4), 2);
    EXPECT_EQ(camera.position, (Point{0.84, 0.82}));
    EXPECT_EQ(commits, 0);

    QPointF target(0.3 * 640, 0.4 * 360);
    QWindow* window = preview.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, start.toPoint());
    QTest::mouseMove(window, (start + QPointF(-40, -20)).toPoint());
    EXPECT_LT(camera.position.x, 0.84) << "the position follows the pointer live";
    EXPECT_EQ(commits, 0);
    QTest::mouseMove(window, target.toPoint());
    QTest::mouseRelease(window, Qt::LeftButton, {}, target.toPoint());
    test::settle();
    EXPECT_EQ(commits, 1);
    EXPECT_NEAR(camera.position.x, 0.3, 2.0 / 640);
    EXPECT_NEAR(camera.position.y, 0.4, 2.0 / 360);
    EXPECT_TRUE(handle.geometry().contains(target.toPoint()));

    QImage after = render();
    EXPECT_TRUE(reddish(after.pixel(target.toPoint()))) << "the bubble is where it was dropped";
    EXPECT_TRUE(darkish(after.pixel(start.toPoint()))) << "and no longer where it was";

    // Far beyond the corner: held so that the whole bubble stays in the frame.
    drag(&preview, target, QPointF(5000, -5000));
    EXPECT_NEAR(camera.position.x, 0.9, 1e-12);
    EXPECT_NEAR(camera.position.y, 0.1, 1e-12);
    EXPECT_EQ(commits, 2);
    EXPECT_EQ(camera.sizeFraction, 0.2) << "a drag never changes the size";
}

TEST(RedactHandle, DraggingMovesTheBoxInsideThePictureAndCommitsOnce)
{
    test::application();
    Rect box{0.38, 0.44, 0.24, 0.12};
    int commits = 0;
    QWidget preview;
    preview.resize(700, 400);
    PreviewHandle handle(PreviewHandle::Kind::redact, &preview);
    handle.redactRect = Binding<Rect>::to(&box);
    handle.onCommit = [&] { ++commits; };
    // The picture is letterboxed: 500 × 300 at (100, 50).
    handle.setContainerRect(QRectF(100, 50, 500, 300));
    test::show(preview);
    EXPECT_NEAR(handle.geometry().left(), 290, 1);
    EXPECT_NEAR(handle.geometry().top(), 182, 1);
    EXPECT_NEAR(handle.geometry().width(), 120, 1);

    QPointF centre = QRectF(handle.geometry()).center();
    drag(&preview, centre, centre + QPointF(1000, 50));
    EXPECT_EQ(commits, 1);
    EXPECT_NEAR(box.x, 0.76, 1e-12);
    EXPECT_NEAR(box.y, 0.44 + 50.0 / 300, 1e-9);
    EXPECT_EQ(box.width, 0.24);
    EXPECT_EQ(box.height, 0.12);
    EXPECT_NEAR(handle.geometry().left() + handle.geometry().width(), 100 + 500, 1);

    // A hair-thin box keeps an 8-point handle, and dragging it keeps its stored size.
    box = {0.2, 0.2, 0.001, 0.001};
    handle.refresh();
    EXPECT_NEAR(handle.geometry().width(), 8, 1);
    EXPECT_NEAR(handle.geometry().height(), 8, 1);
    QPointF thin = QRectF(handle.geometry()).center();
    drag(&preview, thin, thin + QPointF(-200, -200));
    EXPECT_EQ(box.x, 0);
    EXPECT_EQ(box.y, 0);
    EXPECT_EQ(box.width, 0.001);
    EXPECT_EQ(commits, 2);
}

TEST(TextHandle, OutlinesTheDrawnBoxAndDraggingMovesItsCentreOnThePicture)
{
    test::application();
    TextRegion box;
    box.text = "Hello";
    box.position = {0.5, 0.5};
    box.size = 0.1;
    int commits = 0;
    QWidget preview;
    preview.resize(700, 400);
    PreviewHandle handle(PreviewHandle::Kind::text, &preview);
    handle.textBox = Binding<TextRegion>::to(&box);
    handle.onCommit = [&] { ++commits; };
    handle.setContainerRect(QRectF(100, 50, 500, 300));
    test::show(preview);
    // Where the compositor draws the box on a picture of that size.
    const Rect drawn = TextRenderer::boxRect(box, QSizeF(500, 300));
    EXPECT_NEAR(handle.geometry().left(), 100 + drawn.x * 500, 1);
    EXPECT_NEAR(handle.geometry().width(), drawn.width * 500, 2); // whole points around it
    EXPECT_NEAR(QRectF(handle.geometry()).center().y(), 50 + 150, 1);

    const QPointF centre = QRectF(handle.geometry()).center();
    drag(&preview, centre, centre + QPointF(100, 90));
    EXPECT_EQ(commits, 1);
    EXPECT_NEAR(box.position.x, 0.7, 0.01);
    EXPECT_NEAR(box.position.y, 0.8, 0.01);
    EXPECT_EQ(box.text, "Hello");

    drag(&preview, QRectF(handle.geometry()).center(), QPointF(5000, 5000));
    EXPECT_EQ(box.position.x, 1) << "the centre stays on the picture";
    EXPECT_EQ(box.position.y, 1);
}

} // namespace
} // namespace tarnix
