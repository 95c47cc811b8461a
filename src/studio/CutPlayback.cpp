#include "studio/CutPlayback.h"

#include <algorithm>
#include <cmath>

namespace tarnix::CutPlayback {

double playerTime(const KeptTime& kept, double sourceTime, double frameDuration)
{
    if (!kept.isRemapped())
        return sourceTime;
    double t = kept.outputTime(sourceTime);
    if (kept.isCut(sourceTime) && t >= kept.duration())
        t = std::max(kept.duration() - frameDuration, 0.0);
    return t;
}

double playhead(const KeptTime& kept, double playerTime, double currentSourceTime, bool playing,
                double frameDuration)
{
    if (!kept.isRemapped())
        return playerTime;
    if (!playing && kept.isCut(currentSourceTime) &&
        std::abs(CutPlayback::playerTime(kept, currentSourceTime, frameDuration) - playerTime) < 1e-6)
        return currentSourceTime;
    return kept.sourceTime(playerTime);
}

double stepped(const KeptTime& kept, double sourceTime, double delta)
{
    if (!kept.isRemapped())
        return sourceTime + delta;
    double movie = std::clamp(kept.outputTime(sourceTime) + delta, 0.0, kept.duration());
    return kept.sourceTime(movie);
}

double movieTime(const KeptTime& kept, double sourceTime)
{
    return kept.isRemapped() ? kept.outputTime(sourceTime) : sourceTime;
}

} // namespace tarnix::CutPlayback
