#pragma once

#include <optional>
#include <string_view>

// The frame rates a composition is played and exported at: 30 frames a second unless the user
// asks for 60, which is offered for recordings made at more than 30. Zoom motion, cursor and
// ripples are computed per output frame, so they move more smoothly at 60 even where the
// recording's own pictures repeat.

namespace tarnix::media {

struct VideoComposition;

constexpr int kStandardFrameRate = 30;
constexpr int kSmoothFrameRate = 60;

// Whether a recording of `recordedFrameRate` frames a second (0: unknown) is offered 60.
bool offersSmoothFrameRate(double recordedFrameRate);
// 30 or 60 from their decimal text; nothing for anything else.
std::optional<int> parseFrameRate(std::string_view text);
// A supported rate: 60 stays 60, anything else is 30.
int supportedFrameRate(int framesPerSecond);
// Sets the composition's frame duration to one frame of the supported rate.
void setFrameRate(VideoComposition& videoComposition, int framesPerSecond);

} // namespace tarnix::media
