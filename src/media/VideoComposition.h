#pragma once

#include <QSize>

#include <memory>
#include <vector>

#include "media/VideoCompositing.h"

// How a composition's video is drawn: output size, frame rate, the compositor to make and the
// instructions it gets. A plain value; instructions are immutable and shared.

namespace tarnix::media {

struct VideoComposition {
    QSize renderSize;                  // pixels
    int frameDurationValue = 1;        // frame duration = value / timescale seconds
    int frameDurationTimescale = 30;
    VideoCompositorFactory customVideoCompositor;
    std::vector<std::shared_ptr<const VideoCompositionInstruction>> instructions;
    // A canvas of a chosen aspect: an export preset names the frame's short side (1080p of a 9:16
    // canvas is 1080 × 1920) instead of a box the frame fits in.
    bool presetNamesShortSide = false;

    double frameDuration() const { return double(frameDurationValue) / frameDurationTimescale; }

    // The instruction whose time range holds t (seconds); the last one that starts at or before
    // t when t lies past every range (the final frame); nullptr when there is none.
    std::shared_ptr<const VideoCompositionInstruction> instructionAt(double t) const;
};

// Output frame times for a duration: i × frameDuration for every i with that time < duration.
int frameCount(double duration, const VideoComposition& videoComposition);

} // namespace tarnix::media
