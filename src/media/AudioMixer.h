#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "media/AudioSampleReader.h"
#include "media/Composition.h"

// Mixes every audio track of a composition into one interleaved float stream at a fixed rate and
// channel count, read in order from composition time 0 or from where seek() moved it. Tracks are summed and the sum is clipped
// to -1...1; a track is silent outside its segments. A track with noise reduction goes through its
// denoiser before the sum (SoundFilters.h). Owned and used by one thread at a time.

namespace tarnix::media {

class AudioMixer {
public:
    // Throws MediaException when a source file cannot be opened for decoding, or a denoiser
    // cannot be set up.
    AudioMixer(const Composition& composition, int sampleRate, int channels);
    ~AudioMixer();

    bool hasAudio() const { return !tracks_.empty(); }
    int sampleRate() const { return rate_; }
    int channels() const { return channels_; }

    // The next frameCount sample frames (channels() floats each), continuing where the last call
    // ended.
    std::vector<float> read(std::int64_t frameCount);

    // Continues from composition time `seconds` (rounded to a sample frame) instead.
    void seek(double seconds);

    // Sample frames handed out so far (the sample frame the next read starts at).
    std::int64_t position() const { return position_; }

private:
    struct Track;
    void mixTrack(Track& track, float* out, std::int64_t first, std::int64_t count);

    int rate_;
    int channels_;
    std::int64_t position_ = 0;
    std::vector<std::unique_ptr<Track>> tracks_;
};

} // namespace tarnix::media
