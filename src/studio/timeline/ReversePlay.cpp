#include "studio/timeline/ReversePlay.h"

#include <algorithm>

namespace tarnix {

void ReversePlay::press(double now, double time)
{
    speed_ = isRunning() ? std::min(speed_ * 2, kMaxSpeed) : 1;
    origin_ = time;
    startedAt_ = now;
}

std::optional<double> ReversePlay::timeAt(double now, const KeptTime& kept)
{
    if (!isRunning())
        return std::nullopt;
    double movieTime = kept.outputTime(origin_) - speed_ * (now - startedAt_);
    if (movieTime <= 0) {
        stop();
        return kept.sourceTime(0);
    }
    return kept.sourceTime(movieTime);
}

} // namespace tarnix
