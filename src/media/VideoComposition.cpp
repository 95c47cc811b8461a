#include "media/VideoComposition.h"

#include <cmath>

namespace tarnix::media {

std::shared_ptr<const VideoCompositionInstruction> VideoComposition::instructionAt(double t) const
{
    std::shared_ptr<const VideoCompositionInstruction> latest;
    for (const auto& instruction : instructions) {
        if (!instruction)
            continue;
        TimeRange range = instruction->timeRange();
        if (t >= range.start && t < range.end())
            return instruction;
        if (range.start <= t)
            latest = instruction;
    }
    return latest;
}

int frameCount(double duration, const VideoComposition& videoComposition)
{
    double step = videoComposition.frameDuration();
    if (!(duration > 0) || !(step > 0) || !std::isfinite(duration))
        return 0;
    // A time within a microsecond of the end belongs to the end (rounding of container times).
    return int(std::ceil(duration / step - 1e-6));
}

} // namespace tarnix::media
