#include "studio/timeline/ReversePlay.h"

#include <algorithm>

namespace tarnix {

void ReversePlay::press(double now, double time)
{
    speed_ = isRunning() ? std::min(speed_ * 2, kMaxSpeed) : 1;
    origin_ = time;
    startedAt_ = now;
}

std::optional<double> ReversePlay::timeAt(double now, const std::vector<CutRegion>& cuts)
{
    if (!isRunning())
        return std::nullopt;
    double t = origin_ - speed_ * (now - startedAt_);
    // Inside a cut: on to its start, and from there on the clock. A cut that ends where another
    // starts is skipped with it.
    bool jumped = false;
    for (bool moved = true; moved;) {
        moved = false;
        for (const CutRegion& cut : cuts) {
            if (t > cut.start && (t < cut.end || (jumped && t <= cut.end))) {
                t = cut.start;
                origin_ = t;
                startedAt_ = now;
                moved = jumped = true;
            }
        }
    }
    if (t <= 0) {
        stop();
        return std::max(0.0, t);
    }
    return t;
}

} // namespace tarnix
