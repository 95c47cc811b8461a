#include "media/CompositionFrameRenderer.h"

#include "media/FrameRequest.h"

namespace tarnix::media {

CompositionFrameRenderer::CompositionFrameRenderer(std::shared_ptr<const Composition> composition,
                                                   VideoComposition videoComposition)
    : videoComposition_(std::move(videoComposition))
    , reader_(std::move(composition))
{
    if (videoComposition_.customVideoCompositor)
        compositor_ = videoComposition_.customVideoCompositor();
    if (!compositor_ || videoComposition_.renderSize.isEmpty())
        throw MediaException(MediaError{"Tarnix.Export", 2, "There is no video to render.",
                                        std::nullopt, nullptr});
    compositor_->renderContextChanged(
        std::make_shared<FixedRenderContext>(videoComposition_.renderSize));
}

CompositionFrameRenderer::~CompositionFrameRenderer() = default;

QImage CompositionFrameRenderer::frameAt(double t)
{
    std::map<TrackID, QImage> sources = reader_.framesAt(t);
    ComposedFrame composed =
        composeFrame(*compositor_, t, videoComposition_.instructionAt(t), sources);
    if (composed.error)
        throw MediaException(*composed.error);
    return composed.image;
}

} // namespace tarnix::media
