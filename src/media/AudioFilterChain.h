#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Runs interleaved float audio (a fixed rate and channel count) through a chain of FFmpeg audio
// filters given in libavfilter's text form ("afftdn=nr=20", "volume=3dB,alimiter=...").
//
// FFmpeg's filters stamp their output with the times of their input even where the sound itself
// comes out later (a denoiser's analysis window, a limiter's look-ahead), so the chain measures
// its own delay once, with an impulse through a fresh copy of the chain, and lines its output up
// with its input: sample frame k out is what frame k in became.
//
// Owned and used by one thread at a time. Throws MediaException when the chain cannot be set up
// or a filter fails.

namespace tarnix::media {

class AudioFilterChain {
public:
    // Fills `frames` sample frames of input into `out` (channels floats each), continuing where
    // the previous call ended; silence past the end of the sound.
    using Source = std::function<void(float* out, std::int64_t frames)>;

    // A chain that plays its input `tempo` times as fast (a time stretch) puts out that much less
    // sound; its delay is measured against where the sound would be without one.
    AudioFilterChain(std::string description, int sampleRate, int channels, Source source,
                     double tempo = 1);
    ~AudioFilterChain();
    AudioFilterChain(const AudioFilterChain&) = delete;
    AudioFilterChain& operator=(const AudioFilterChain&) = delete;

    // The next `frames` filtered sample frames; reads the source ahead by the chain's delay.
    std::vector<float> read(std::int64_t frames);
    // Starts over with fresh filter state, for a source that has just been moved (a seek).
    void reset();

    // Sample frames by which the filters hold the sound back.
    std::int64_t delay() const { return delay_; }

    // Pushes the next `frames` of the source through the chain, ends it and returns the metadata
    // of the last frame the chain put out (e.g. "lavfi.r128.I" of ebur128=metadata=1). Returns
    // nothing when `stop` (checked between blocks) says so first.
    std::optional<std::map<std::string, std::string>>
    drain(std::int64_t frames, const std::function<bool()>& stop = {});

private:
    struct Graph;
    void feed(std::int64_t frames);
    void collect(std::vector<float>& into);

    std::string description_;
    int rate_;
    int channels_;
    Source source_;
    std::unique_ptr<Graph> graph_;
    std::int64_t delay_ = 0;
    std::int64_t toDrop_ = 0;       // frames still to drop from the front of the output
    std::vector<float> ready_;      // filtered, lined up, not yet read
    std::int64_t fed_ = 0;          // input frames handed to the chain
    std::map<std::string, std::string> lastMetadata_;
};

} // namespace tarnix::media
