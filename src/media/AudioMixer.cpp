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
        // Played at another speed: the time stretch the range's sound goes through (none when it
        // plays too fast to be heard), the range's length and how much of it the stretch has had,
        // in source sample frames.
        bool silent = false;
        std::unique_ptr<AudioFilterChain> tempo;
        std::int64_t sourceFrames = 0;
        std::int64_t sourceTaken = 0;

        // Sample frames decoded and ready (the skip dropped first); 0 once the source has ended.
        std::int64_t readable(int channels);
        // Copies the next `frames` source frames of the range into out (left as it is past its end).
        void takeSource(float* out, std::int64_t frames, int channels);
        // Adds the stretched sound of output frames first...first+count that fall in the segment.
        void mixStretched(float* out, std::int64_t first, std::int64_t count, int channels);
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
            s.frameCount = std::llround(segment.target().duration * rate_);
            s.sourceFrames = std::llround(segment.sourceRange.duration * rate_);
            s.skip = std::llround((segment.sourceRange.start - segment.source.timeRange.start) * rate_);
            if (s.skip < 0) { // the track starts after the range does: silence until it starts
                std::int64_t lead = std::llround(double(-s.skip) / segment.speed);
                s.firstFrame += lead;
                s.frameCount -= lead;
                s.sourceFrames += s.skip;
                s.skip = 0;
            }
            s.rangeOffset = s.skip;
            s.fadeInFrames = std::llround(segment.fadeIn * rate_);
            s.fadeOutFrames = std::llround(segment.fadeOut * rate_);
            s.silent = segment.speed > kMaxAudibleSpeed;
            if (!s.silent)
                s.reader = std::make_unique<AudioSampleReader>(
                    segment.source, AudioFormat{SampleFormat::f32, rate_, channels_});
            mixed->segments.push_back(std::move(s));
        }
        if (mixed->segments.empty())
            continue;
        // Made once the segments have their places: each stretch reads its own segment.
        for (std::size_t i = 0; i < mixed->segments.size(); ++i) {
            Track::Segment& s = mixed->segments[i];
            if (s.silent || s.placement.speed == 1)
                continue;
            Track* raw = mixed.get();
            s.tempo = std::make_unique<AudioFilterChain>(
                tempoChain(s.placement.speed), rate_, channels_,
                [raw, i, channels = channels_](float* out, std::int64_t frames) {
                    raw->segments[i].takeSource(out, frames, channels);
                },
                s.placement.speed);
        }
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

std::int64_t AudioMixer::Track::Segment::readable(int channels)
{
    Segment& s = *this;
    while (!s.ended) {
        std::size_t available = (s.buffer.size() - s.bufferStart) / channels;
        if (available == 0) {
            s.buffer.erase(s.buffer.begin(), s.buffer.begin() + std::ptrdiff_t(s.bufferStart));
            s.bufferStart = 0;
            if (!s.reader->readBlock(s.buffer))
                s.ended = true;
            continue;
        }
        if (s.skip > 0) {
            std::int64_t dropped = std::min<std::int64_t>(s.skip, std::int64_t(available));
            s.bufferStart += std::size_t(dropped) * channels;
            s.skip -= dropped;
            continue;
        }
        return std::int64_t(available);
    }
    return 0;
}

void AudioMixer::Track::Segment::takeSource(float* out, std::int64_t frames, int channels)
{
    Segment& s = *this;
    // What the range does not hold stays silent (the stretch may ask past its end).
    for (std::int64_t done = 0; done < frames && s.sourceTaken < s.sourceFrames;) {
        std::int64_t available = readable(channels);
        if (available == 0)
            return;
        std::int64_t n = std::min({frames - done, available, s.sourceFrames - s.sourceTaken});
        std::copy_n(s.buffer.data() + s.bufferStart, n * channels, out + done * channels);
        s.bufferStart += std::size_t(n) * channels;
        s.sourceTaken += n;
        done += n;
    }
}

void AudioMixer::Track::Segment::mixStretched(float* out, std::int64_t first, std::int64_t count,
                                              int channels)
{
    Segment& s = *this;
    std::int64_t begin = std::max(first, s.firstFrame + s.delivered);
    std::int64_t end = std::min(first + count, s.firstFrame + s.frameCount);
    if (begin >= end)
        return;
    std::vector<float> sound = s.tempo->read(end - begin);
    float* target = out + (begin - first) * channels;
    for (std::int64_t j = 0; j < end - begin; ++j) {
        float g = fadeGain(s.delivered + j, s.frameCount, s.fadeInFrames, s.fadeOutFrames);
        for (int c = 0; c < channels; ++c)
            target[j * channels + c] += sound[std::size_t(j * channels + c)] * g;
    }
    s.delivered += end - begin;
}

void AudioMixer::mixTrack(Track& track, float* out, std::int64_t first, std::int64_t count)
{
    for (auto& s : track.segments) {
        if (s.silent)
            continue;
        if (s.tempo) {
            s.mixStretched(out, first, count, channels_);
            continue;
        }
        std::int64_t begin = std::max(first, s.firstFrame + s.delivered);
        std::int64_t end = std::min(first + count, s.firstFrame + s.frameCount);
        while (begin < end && !s.ended) {
            std::int64_t available = s.readable(channels_);
            if (available == 0)
                break;
            std::int64_t n = std::min<std::int64_t>(end - begin, available);
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
            s.ended = s.silent || s.delivered >= s.frameCount;
            s.sourceTaken = std::llround(double(s.delivered) * s.placement.speed);
            if (!s.ended) // the reader's first sample is the track's start
                s.reader->seek(s.placement.source.timeRange.start +
                               double(s.rangeOffset + s.sourceTaken) / rate_);
            if (s.tempo)
                s.tempo->reset();
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
