#include "media/AudioMixer.h"

#include <algorithm>
#include <cmath>

#include "media/AudioFilterChain.h"
#include "media/SoundFilters.h"

namespace tarnix::media {

// One segment's decoded samples, consumed from the front.
struct AudioMixer::Track {
    struct Segment {
        CompositionSegment placement;
        std::int64_t firstFrame = 0; // where it starts, in output sample frames
        std::int64_t frameCount = 0; // how long it lasts there
        std::unique_ptr<AudioSampleReader> reader;
        std::vector<float> buffer;   // decoded, not yet mixed
        std::size_t bufferStart = 0; // first unread float in buffer
        std::int64_t skip = 0;       // frames still to drop before the range's start
        std::int64_t rangeOffset = 0; // frames from the track's start to the range's start
        std::int64_t delivered = 0;  // frames handed to the mix so far
        std::int64_t fadeInFrames = 0;
        std::int64_t fadeOutFrames = 0;
        bool ended = false;
    };
    std::vector<Segment> segments;
    // With noise reduction: the denoiser, which reads the track's mix ahead of the output, and
    // the sample frame that read has reached.
    std::unique_ptr<AudioFilterChain> denoiser;
    std::int64_t denoiserInput = 0;
};

AudioMixer::AudioMixer(const Composition& composition, int sampleRate, int channels)
    : rate_(sampleRate)
    , channels_(channels)
{
    for (const CompositionTrack* track : composition.tracks(MediaType::audio)) {
        auto mixed = std::make_unique<Track>();
        for (const auto& segment : track->segments) {
            Track::Segment s;
            s.placement = segment;
            s.firstFrame = std::llround(segment.compositionStart * rate_);
            s.frameCount = std::llround(segment.sourceRange.duration * rate_);
            s.skip = std::llround((segment.sourceRange.start - segment.source.timeRange.start) * rate_);
            if (s.skip < 0) { // the track starts after the range does: silence until it starts
                s.firstFrame -= s.skip;
                s.frameCount += s.skip;
                s.skip = 0;
            }
            s.rangeOffset = s.skip;
            s.fadeInFrames = std::llround(segment.fadeIn * rate_);
            s.fadeOutFrames = std::llround(segment.fadeOut * rate_);
            s.reader = std::make_unique<AudioSampleReader>(
                segment.source, AudioFormat{SampleFormat::f32, rate_, channels_});
            mixed->segments.push_back(std::move(s));
        }
        if (mixed->segments.empty())
            continue;
        if (track->noiseReduction)
            if (auto floor = noiseFloor(track->segments.front().source)) {
                Track* raw = mixed.get();
                mixed->denoiser = std::make_unique<AudioFilterChain>(
                    noiseReductionChain(*track->noiseReduction, *floor), rate_, channels_,
                    [this, raw](float* out, std::int64_t frames) {
                        mixTrack(*raw, out, raw->denoiserInput, frames);
                        raw->denoiserInput += frames;
                    });
            }
        tracks_.push_back(std::move(mixed));
    }
}

AudioMixer::~AudioMixer() = default;

namespace {

// The gain of frame k of a segment of `length` frames with linear fades of the given lengths.
float fadeGain(std::int64_t k, std::int64_t length, std::int64_t fadeIn, std::int64_t fadeOut)
{
    double middle = double(k) + 0.5, gain = 1;
    if (fadeIn > 0)
        gain = std::min(gain, middle / double(fadeIn));
    if (fadeOut > 0)
        gain = std::min(gain, (double(length) - middle) / double(fadeOut));
    return float(std::clamp(gain, 0.0, 1.0));
}

} // namespace

void AudioMixer::mixTrack(Track& track, float* out, std::int64_t first, std::int64_t count)
{
    for (auto& s : track.segments) {
        std::int64_t begin = std::max(first, s.firstFrame + s.delivered);
        std::int64_t end = std::min(first + count, s.firstFrame + s.frameCount);
        while (begin < end && !s.ended) {
            std::size_t available = (s.buffer.size() - s.bufferStart) / channels_;
            if (available == 0) {
                s.buffer.erase(s.buffer.begin(), s.buffer.begin() + std::ptrdiff_t(s.bufferStart));
                s.bufferStart = 0;
                if (!s.reader->readBlock(s.buffer)) {
                    s.ended = true;
                    break;
                }
                continue;
            }
            if (s.skip > 0) {
                std::int64_t dropped = std::min<std::int64_t>(s.skip, std::int64_t(available));
                s.bufferStart += std::size_t(dropped) * channels_;
                s.skip -= dropped;
                continue;
            }
            std::int64_t n = std::min<std::int64_t>(end - begin, std::int64_t(available));
            const float* source = s.buffer.data() + s.bufferStart;
            float* target = out + (begin - first) * channels_;
            if (s.fadeInFrames > 0 || s.fadeOutFrames > 0) {
                for (std::int64_t j = 0; j < n; ++j) {
                    float g = fadeGain(s.delivered + j, s.frameCount, s.fadeInFrames,
                                       s.fadeOutFrames);
                    for (int c = 0; c < channels_; ++c)
                        target[j * channels_ + c] += source[j * channels_ + c] * g;
                }
            } else {
                for (std::int64_t i = 0; i < n * channels_; ++i)
                    target[i] += source[i];
            }
            s.bufferStart += std::size_t(n) * channels_;
            s.delivered += n;
            begin += n;
        }
    }
}

void AudioMixer::seek(double seconds)
{
    position_ = std::max<std::int64_t>(0, std::llround(seconds * rate_));
    for (auto& track : tracks_)
        for (auto& s : track->segments) {
            s.buffer.clear();
            s.bufferStart = 0;
            s.skip = 0;
            s.delivered = std::clamp<std::int64_t>(position_ - s.firstFrame, 0,
                                                   std::max<std::int64_t>(s.frameCount, 0));
            s.ended = s.delivered >= s.frameCount;
            if (!s.ended) // the reader's first sample is the track's start
                s.reader->seek(s.placement.source.timeRange.start +
                               double(s.rangeOffset + s.delivered) / rate_);
        }
    for (auto& track : tracks_)
        if (track->denoiser) {
            track->denoiserInput = position_;
            track->denoiser->reset();
        }
}

std::vector<float> AudioMixer::read(std::int64_t frameCount)
{
    std::vector<float> out(std::size_t(std::max<std::int64_t>(frameCount, 0)) * channels_, 0.0f);
    for (auto& track : tracks_) {
        if (!track->denoiser) {
            mixTrack(*track, out.data(), position_, frameCount);
            continue;
        }
        std::vector<float> clean = track->denoiser->read(frameCount);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] += clean[i];
    }
    for (float& sample : out)
        sample = std::clamp(sample, -1.0f, 1.0f);
    position_ += frameCount;
    return out;
}

} // namespace tarnix::media
