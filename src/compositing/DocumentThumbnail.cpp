#include "compositing/DocumentThumbnail.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "compositing/CompositionBuilder.h"
#include "media/CompositionFrameRenderer.h"

namespace tarnix::DocumentThumbnail {

QImage render(const RecordingTimeline& timeline, int maxSide)
{
    if (maxSide < 1 || maxSide > kMaxSize)
        throw std::invalid_argument("the size must lie within 1 and " + std::to_string(kMaxSize) +
                                    " pixels");
    const auto built = CompositionBuilder::build(timeline);
    // The composition plays the kept time, so a third of it is a third of what a viewer sees.
    const double duration = built.composition->duration();
    const double t = std::isfinite(duration) && duration > 0 ? duration / 3 : 0;
    media::CompositionFrameRenderer renderer(built.composition, built.videoComposition);
    QImage frame = renderer.frameAt(t);
    if (frame.isNull() || (frame.width() <= maxSide && frame.height() <= maxSide))
        return frame;
    return frame.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace tarnix::DocumentThumbnail
