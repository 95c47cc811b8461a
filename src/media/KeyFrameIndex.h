#pragma once

#include <vector>

#include "media/MediaAsset.h"

// Where a video track's key frames stand, read from the packets without decoding anything: the
// points a picture can be decoded from with a single frame's work. Any thread.

namespace tarnix::media {

// Key frame times in seconds on the file's time line (as VideoFrameReader counts them), sorted.
// Throws MediaException when the file cannot be opened; a damaged tail ends the list early.
std::vector<double> keyFrameTimes(const AssetTrack& track);

} // namespace tarnix::media
