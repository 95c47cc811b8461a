#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "media/FFmpegSupport.h"
#include "media/MediaAsset.h"

// Decodes one audio track of a file from its start, in order, and converts it to interleaved
// samples of one chosen layout (libswresample). Owned and used by one thread at a time.

namespace tarnix::media {

enum class SampleFormat { s16, f32 }; // interleaved, native (little) endian

struct AudioFormat {
    SampleFormat sampleFormat = SampleFormat::f32;
    int sampleRate = 0; // Hz; 0 keeps the file's rate
    int channels = 0;   // 0 keeps the file's channel count
};

class AudioSampleReader {
public:
    // Opens the file and the track's decoder. Throws MediaException when it cannot.
    AudioSampleReader(const AssetTrack& track, AudioFormat format);
    ~AudioSampleReader();
    AudioSampleReader(const AudioSampleReader&) = delete;
    AudioSampleReader& operator=(const AudioSampleReader&) = delete;

    // The output rate and channel count after resolving 0s to the file's own.
    int sampleRate() const { return rate_; }
    int channels() const { return channels_; }

    // Appends the next decoded block to `out` (s16 reader: int16_t; f32 reader: float), as
    // interleaved samples. Returns false, appending nothing, once the track has ended. Damaged
    // packets are skipped; a truncated file simply ends early.
    bool readBlock(std::vector<std::int16_t>& out);
    bool readBlock(std::vector<float>& out);

    // Moves to `seconds` on the file's time line: the next block starts with the sample at that
    // time (silence first when the track starts later). A time past the end ends the track.
    void seek(double seconds);

private:
    bool decodeFrame();
    // Output frames to drop (positive) or silence to insert (negative) after a seek, once the
    // first decoded frame's time is known.
    std::int64_t trimAfterSeek(const AVFrame& frame);
    template <typename T> bool readInto(std::vector<T>& out, SampleFormat expected);

    AssetTrack track_;
    AudioFormat format_;
    int rate_ = 0;
    int channels_ = 0;
    ff::FormatContextPtr input_;
    ff::CodecContextPtr decoder_;
    ff::SwrPtr resampler_;
    ff::PacketPtr packet_ = ff::makePacket();
    ff::FramePtr frame_ = ff::makeFrame();
    bool inputEnded_ = false;
    bool decoderDrained_ = false;
    bool resamplerFlushed_ = false;
    double origin_ = 0;                 // the file's start time, seconds
    std::optional<double> seekTarget_;  // set by seek() until the first frame after it
    std::int64_t dropFrames_ = 0;       // output frames still to drop after a seek
};

} // namespace tarnix::media
