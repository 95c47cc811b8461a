// The preview composes at the size it is shown; it must still be the export's picture.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "CompositingTestSupport.h"
#include "compositing/CompositionBuilder.h"
#include "media/CompositionFrameRenderer.h"
#include "media/MediaTestSupport.h"
#include "media/PreviewFrameSource.h"

namespace tarnix {
namespace {

namespace Builder = CompositionBuilder;

using test::meanDifference;

// The preview's frame `index` shown at `shown`, waited for with a deadline.
QImage previewFrame(const Builder::Result& built, QSize shown, int index)
{
    std::mutex mutex;
    std::condition_variable ready;
    media::PreviewFrameSource source(2, [&] {
        std::lock_guard lock(mutex);
        ready.notify_all();
    });
    source.setOutputSize(shown);
    source.setComposition(built.composition, built.videoComposition);
    source.request(index, 1);
    std::unique_lock lock(mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!source.isReady(index))
        if (ready.wait_until(lock, deadline) == std::cv_status::timeout)
            break;
    auto frame = source.take(index);
    if (!frame || frame->error)
        return {};
    return frame->image;
}

// A busy 1280 × 720 screen (test pattern, moving), with everything on: zoom half way in, a
// gradient with padding and rounded corners, the camera bubble, cursor, a ripple, a blur; on the
// recording's own canvas and on a square one.
TEST(PreviewSize, ThePreviewComposedAtItsSizeShowsTheExportsPicture)
{
    media::test::TempFolder folder;
    RecordingTimeline timeline;
    timeline.videoURL = media::test::makeMovie(folder / "screen.mp4", 2.0, 1280, 720, false);
    timeline.cameraURL = media::test::makeMovie(folder / "camera.mov", 2.0, 320, 240, false);
    timeline.captureFrame = {0, 0, 1280, 720};
    timeline.cursorSamples = {{Uuid::random(), 0, {400, 300}}, {Uuid::random(), 2, {700, 400}}};
    timeline.clickEvents = {{Uuid::random(), 0.9, {500, 330}, ClickKind::leftDown}};
    timeline.zoomRegions = {{Uuid::random(), 0.5, 1.8, {0.3, 0.3, 0.4, 0.4}, EasingCurve::easeInOut}};
    timeline.redactRegions = {{Uuid::random(), 0, 2, {0.6, 0.1, 0.2, 0.15}}};

    for (CanvasAspect aspect : {CanvasAspect::source, CanvasAspect::square1x1}) {
        RecordingTimeline in = timeline;
        in.cameraOverlay.isEnabled = true;
        in.background.style = BackgroundStyle::gradient;
        in.background.padding = 0.08;
        in.background.aspect = aspect;
        const Builder::Result built = Builder::build(in);
        const int index = 30; // 1.0 s: the zoom is on its way, the ripple spreading
        const QImage full = media::CompositionFrameRenderer(built.composition, built.videoComposition)
                                .frameAt(index * built.videoComposition.frameDuration());
        ASSERT_FALSE(full.isNull());
        // A preview a little smaller than the picture, and one under half its size.
        for (double fraction : {0.75, 0.3}) {
            SCOPED_TRACE("aspect " + std::to_string(int(aspect)) + ", shown at " +
                         std::to_string(fraction));
            const QSize shown = full.size().scaled(int(full.width() * fraction), full.height(),
                                                   Qt::KeepAspectRatio);
            const QImage preview = previewFrame(built, shown, index);
            ASSERT_EQ(preview.size(), shown);
            const QImage reference =
                full.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_LT(meanDifference(preview, reference), 2.0);
        }
    }
}

} // namespace
} // namespace tarnix
