#pragma once

#include <QImage>

#include <atomic>
#include <memory>
#include <vector>

#include "media/VideoCompositing.h"

// The per-frame compositor of every preview and export frame: takes the screen frame (track 1)
// and the optional camera frame, zooms, lays the picture on the background, adds the camera
// bubble, the cursor and click ripples, blurs the redacted areas and fills an output buffer of
// the render context's size. Instructions must be OverlayInstruction.
//
// Threads: startRequest may run on several threads at once; it reads only the immutable
// instruction, the request and a copy of the render context pointer. renderContextChanged may be
// called from any thread at any time.

namespace tarnix {

class OverlayVideoCompositor final : public media::VideoCompositing {
public:
    // Pixel formats of source frames and of output buffers: 32-bit BGRA, premultiplied.
    static std::vector<QImage::Format> sourcePixelFormats();
    static QImage::Format requiredPixelFormatForRenderContext();

    void renderContextChanged(std::shared_ptr<media::RenderContext> context) override;
    void startRequest(media::CompositionRequest& request) override;
    // Requests are finished inside startRequest, so nothing is ever pending.
    void cancelAllPendingVideoCompositionRequests() override {}

    // Makes one compositor per player item or export.
    static media::VideoCompositorFactory factory();

private:
    std::atomic<std::shared_ptr<media::RenderContext>> renderContext_;
};

} // namespace tarnix
