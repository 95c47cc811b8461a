#include "compositing/OverlayVideoCompositor.h"

#include <new>

#include "compositing/CompositorError.h"
#include "compositing/OverlayFrame.h"
#include "compositing/OverlayInstruction.h"
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
        OverlayFrame::draw(output, *instruction, request.compositionTime(), screen, camera);
    } catch (const std::bad_alloc&) {
        request.finishWithError(toMediaError(CompositorError::noRenderBuffer));
        return;
    }
    request.finishWithComposedVideoFrame(std::move(output));
}

media::VideoCompositorFactory OverlayVideoCompositor::factory()
{
    return [] { return std::make_unique<OverlayVideoCompositor>(); };
}

} // namespace tarnix
