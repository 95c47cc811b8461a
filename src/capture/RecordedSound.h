#pragma once

#include "capture/CapturePauses.h"
#include "capture/pulse/PulseAudio.h"
#include "media/MovieWriter.h"

// Writes a block of sound as far as it was recorded: the samples that fall inside a pause are
// left out, and the rest go where the pauses put them, so a file's sound stays on the recording's
// time line to the sample.

namespace tarnix {

// `rate` is the block's sample rate; `origin` the recorded CaptureClock time of the file's 0.
void writeRecordedSound(media::MovieWriter& writer, const CapturePauses& pauses, const pulse::AudioBlock& block,
                        int rate, double origin);

} // namespace tarnix
