#include "media/FrameRate.h"

#include "media/VideoComposition.h"

namespace tarnix::media {

// Recorders state rates like 29.97 or 30.02 for a 30 fps movie; such a movie gains nothing at 60.
constexpr double kSmoothThreshold = kStandardFrameRate + 1;

bool offersSmoothFrameRate(double recordedFrameRate)
{
    return recordedFrameRate > kSmoothThreshold;
}

std::optional<int> parseFrameRate(std::string_view text)
{
    if (text == "30")
        return kStandardFrameRate;
    if (text == "60")
        return kSmoothFrameRate;
    return std::nullopt;
}

int supportedFrameRate(int framesPerSecond)
{
    return framesPerSecond == kSmoothFrameRate ? kSmoothFrameRate : kStandardFrameRate;
}

void setFrameRate(VideoComposition& videoComposition, int framesPerSecond)
{
    videoComposition.frameDurationValue = 1;
    videoComposition.frameDurationTimescale = supportedFrameRate(framesPerSecond);
}

} // namespace tarnix::media
