#include "compositing/OverlayVideoCompositor.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <new>

#include "compositing/CompositorError.h"
#include "compositing/OverlayFrame.h"
#include "compositing/OverlayInstruction.h"
#include "compositing/YuvOverlayFrame.h"
#include "graphics/Image.h"

namespace tarnix {

std::vector<QImage::Format> OverlayVideoCompositor::sourcePixelFormats()
{
    return {graphics::kPixelFormat};
}

QImage::Format OverlayVideoCompositor::requiredPixelFormatForRenderContext()
{
    return graphics::kPixelFormat;
}

void OverlayVideoCompositor::renderContextChanged(std::shared_ptr<media::RenderContext> context)
{
    renderContext_.store(std::move(context));
}

void OverlayVideoCompositor::startRequest(media::CompositionRequest& request)
{
    auto instruction =
        std::dynamic_pointer_cast<const OverlayInstruction>(request.videoCompositionInstruction());
    QImage screen;
    if (instruction)
        screen = graphics::inPixelFormat(request.sourceFrameByTrackID(OverlayInstruction::kScreenTrackID));
    if (!instruction || screen.isNull()) {
        request.finishWithError(toMediaError(CompositorError::missingFrame));
        return;
    }

    // One copy of the pointer serves the whole request, even if the context is replaced meanwhile.
    std::shared_ptr<media::RenderContext> context = renderContext_.load();
    QImage output;
    try {
        if (context && !context->size().isEmpty())
            output = graphics::inPixelFormat(context->newPixelBuffer());
        if (output.isNull() || output.size() != context->size()) {
            request.finishWithError(toMediaError(CompositorError::noRenderBuffer));
            return;
        }
        QImage camera;
        if (auto cameraTrack = instruction->cameraTrackID())
            camera = graphics::inPixelFormat(request.sourceFrameByTrackID(*cameraTrack));
        std::shared_ptr<const BackgroundFrame> background = backgroundFor(instruction, output.size());
        OverlayFrame::draw(output, *instruction, request.compositionTime(), screen, camera,
                           background.get());
    } catch (const std::bad_alloc&) {
        request.finishWithError(toMediaError(CompositorError::noRenderBuffer));
        return;
    }
    request.finishWithComposedVideoFrame(std::move(output));
}

namespace {

// The instruction's background made for an output of `size`; its own when that is its size.
// Should making it fail, the prepared one is stretched frame by frame (the slow way).
std::shared_ptr<const BackgroundFrame>
backgroundMadeFor(const std::shared_ptr<const OverlayInstruction>& instruction, QSize size)
{
    const std::optional<BackgroundFrame>& own = instruction->backgroundFrame();
    if (!own)
        return nullptr;
    std::shared_ptr<const BackgroundFrame> prepared(instruction, &*own);
    if (own->backgroundWithShadow.size() == size)
        return prepared;
    std::optional<BackgroundFrame> made = BackgroundRenderer::resizedFrame(*own, size);
    return made ? std::make_shared<const BackgroundFrame>(std::move(*made)) : prepared;
}

} // namespace

std::shared_ptr<const BackgroundFrame>
OverlayVideoCompositor::backgroundFor(const std::shared_ptr<const OverlayInstruction>& instruction,
                                      QSize size)
{
    const std::optional<BackgroundFrame>& own = instruction->backgroundFrame();
    if (!own || own->backgroundWithShadow.size() == size)
        return backgroundMadeFor(instruction, size);
    std::lock_guard lock(resizedMutex_);
    if (resized_.instruction != instruction || resized_.size != size)
        resized_ = {instruction, size, backgroundMadeFor(instruction, size)};
    return resized_.background;
}

std::vector<media::TrackID>
OverlayVideoCompositor::yuvSourceTracks(const media::VideoCompositionInstruction& instruction) const
{
    if (auto overlay = dynamic_cast<const OverlayInstruction*>(&instruction))
        return {overlay->screenTrackID()};
    return {};
}

bool OverlayVideoCompositor::composeYuv(
    double time, const std::shared_ptr<const media::VideoCompositionInstruction>& instruction,
    const std::map<media::TrackID, QImage>& sources,
    const std::map<media::TrackID, media::YuvPicture>& yuvSources, AVFrame& output)
{
    auto overlay = std::dynamic_pointer_cast<const OverlayInstruction>(instruction);
    if (!overlay)
        return false;
    auto screen = yuvSources.find(overlay->screenTrackID());
    if (screen == yuvSources.end() || !screen->second)
        return false;
    QImage camera;
    if (auto cameraTrack = overlay->cameraTrackID())
        if (auto found = sources.find(*cameraTrack); found != sources.end())
            camera = graphics::inPixelFormat(found->second);
    try {
        const YuvKept kept = yuvBackgroundFor(overlay, QSize(output.width, output.height));
        return kept.planes && YuvOverlayFrame::draw(output, *overlay, time, *screen->second, camera,
                                                    kept.layout.get(), *kept.planes);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

OverlayVideoCompositor::YuvKept
OverlayVideoCompositor::yuvBackgroundFor(const std::shared_ptr<const OverlayInstruction>& instruction,
                                         QSize size)
{
    std::lock_guard lock(yuvMutex_);
    if (yuv_.instruction != instruction || yuv_.size != size) {
        std::shared_ptr<const BackgroundFrame> background = backgroundMadeFor(instruction, size);
        std::optional<YuvBackground> made = YuvBackground::make(background.get(), size);
        // Once in the planes, a background made for this size keeps only its geometry for the
        // layout: its BGRA picture (33 MB at 4K) is not read again.
        if (background && background.get() != &*instruction->backgroundFrame()) {
            BackgroundFrame geometry = *background;
            geometry.backgroundWithShadow = QImage();
            background = std::make_shared<const BackgroundFrame>(std::move(geometry));
        }
        yuv_ = {instruction, size, std::move(background),
                made ? std::make_shared<const YuvBackground>(std::move(*made)) : nullptr};
    }
    return yuv_;
}

media::VideoCompositorFactory OverlayVideoCompositor::factory()
{
    return [] { return std::make_unique<OverlayVideoCompositor>(); };
}

} // namespace tarnix
