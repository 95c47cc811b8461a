#include "capture/RecordedSound.h"

#include <algorithm>
#include <cmath>

namespace tarnix {

void writeRecordedSound(media::MovieWriter& writer, const CapturePauses& pauses, const pulse::AudioBlock& block,
                        int rate, double origin)
{
    if (block.frames <= 0)
        return;
    const auto channels = static_cast<long>(block.samples.size() / std::size_t(block.frames));
    for (const auto& part : pauses.recordedParts(block.time, double(block.frames) / rate)) {
        const long first = std::lround(part.offset * rate);
        const long end = std::min<long>(block.frames, std::lround((part.offset + part.length) * rate));
        if (end > first)
            writer.writeAudio(block.samples.data() + first * channels, int(end - first), part.recordedStart - origin);
    }
}

} // namespace tarnix
