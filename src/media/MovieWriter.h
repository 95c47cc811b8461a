#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "media/MediaError.h"

// Writes one movie or audio file with FFmpeg: an optional video stream encoded from BGRA frames
// and an optional AAC audio stream encoded from interleaved float samples. Used by the screen,
// camera and microphone recorders and by the exporter.
//
// Times: every pts is in seconds on the file's own time line; the first frame written should be
// at (or near) 0. Video pts must increase; a frame whose pts does not advance past the previous
// one (after rounding to the stream's time base) is skipped and writeVideo returns false.
// Audio is treated as one continuous stream: the pts of each block is compared with where the
// stream has got to; a gap of more than 10 ms is filled with silence and samples that would
// overlap what is already written are dropped, so the sound stays on the shared clock.
//
// Errors: the constructor and every write raise MediaException (domain "FFmpeg" with the FFmpeg
// error code, or "Tarnix.MovieWriter") with a sentence a person understands. When a write to a
// fragmented file fails (a full disk), the file is cut back to its last whole fragment at once:
// what was written before stays byte for byte, and the file stays playable; nothing more is
// written to it.
//
// Threads: not thread-safe; one thread at a time may call it (a recorder's writer thread, the
// exporter's thread). Destroying a writer that was not finished closes the file as it stands:
// with the fragmented layout every completed fragment stays playable.

struct AVFrame;

namespace tarnix::media {

// How the MPEG-4/QuickTime container is laid out.
enum class MovieLayout {
    // Fragments of about one key-frame interval, the index written as it goes: a file cut off by
    // a crash plays up to its last complete fragment. For recordings.
    fragmented,
    // A normal file with its index moved to the front when finished. For exports.
    faststart,
    // A normal file with the index at the end.
    plain,
};

struct MovieVideoSettings {
    int width = 0;  // pixels; odd sizes are rounded down to even (at least 2)
    int height = 0; // pixels
    double frameRate = 60; // nominal frames per second: sets the key-frame spacing and rate control
    // Encoders tried in order; the first that opens at this size is used. Hardware encoders
    // (names ending in "_vaapi" or "_nvenc") are tried like any other and skipped when they do
    // not open; a VAAPI encoder uses the first render node.
    std::vector<std::string> encoders = {"libx264"};
    // Encoder speed preset ("ultrafast", "veryfast", "medium"...); empty leaves the encoder's own.
    // Applied to libx264/libx265; ignored by encoders without presets.
    std::string preset = "veryfast";
    // Constant quality (CRF for libx264/libx265, CQ for NVENC); 0 leaves the encoder's default.
    int quality = 23;
    // Average bit rate in bits per second; 0 = quality-driven.
    std::int64_t bitRate = 0;
    double keyFrameIntervalSeconds = 1.0;
    // Encoder threads; 0 lets the encoder decide.
    int threads = 0;
    // The 4:2:0 layout of the frames the caller hands to writeVideoYUV420: AV_PIX_FMT_YUV420P
    // (planar, as decoders and the compositor make them) or AV_PIX_FMT_NV12 (chroma interleaved,
    // as x264 and the graphics cards keep their pictures). The encoder is opened for it when it
    // takes it, so that each frame reaches it without being rearranged.
    AVPixelFormat inputFormat = AV_PIX_FMT_YUV420P;
};

struct MovieAudioSettings {
    int sampleRate = 44100; // Hz, also the rate of the samples passed to writeAudio
    int channels = 2;       // 1 or 2; also the channel count of the samples passed in
    std::int64_t bitRate = 128000; // bits per second, AAC
};

struct MovieWriterSettings {
    std::filesystem::path outputPath; // container chosen from the extension: .mp4, .mov, .m4a
    MovieLayout layout = MovieLayout::faststart;
    std::optional<MovieVideoSettings> video;
    std::optional<MovieAudioSettings> audio;
};

// The first DRM render node this process may open ("/dev/dri/renderD128"...), for VAAPI.
std::optional<std::string> renderNode();

// Encoder preference lists. hevc_vaapi is listed only when a render node exists; each list is
// also given for an explicit answer to that question.
// HEVC through hardware first (VAAPI, then NVENC), then software HEVC, then H.264.
std::vector<std::string> hevcEncoderPreference();
std::vector<std::string> hevcEncoderPreference(bool hasRenderNode);
// Hardware HEVC only (VAAPI, then NVENC), then H.264 (libx264): for real-time capture where
// software HEVC cannot keep up.
std::vector<std::string> realTimeEncoderPreference();
std::vector<std::string> realTimeEncoderPreference(bool hasRenderNode);

class MovieWriter {
public:
    // Creates the file and opens the encoders. Raises MediaException when the file cannot be
    // created, no listed encoder opens, or the settings are unusable (no stream, bad size).
    explicit MovieWriter(MovieWriterSettings settings);
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    const MovieWriterSettings& settings() const;
    // The encoded frame size (the requested one rounded down to even); empty without video.
    QSize videoSize() const;
    // The FFmpeg name of the video encoder that opened ("libx264", "hevc_nvenc"...), or empty.
    std::string videoEncoderName() const;
    bool hasAudio() const;

    // One video frame of BGRA pixels (premultiplied or opaque). A frame of another size than
    // videoSize() is scaled to it. Returns false when the frame was skipped because its pts did
    // not advance.
    bool writeVideo(const QImage& image, double pts);
    bool writeVideo(const std::uint8_t* bgra, int width, int height, int bytesPerLine, double pts);
    // One video frame of 8-bit YUV 4:2:0 (AV_PIX_FMT_YUV420P or AV_PIX_FMT_NV12, BT.709 limited
    // range as the file is tagged) of exactly videoSize(), reference counted; its pts is set here.
    // Lets a caller convert frames on threads of its own. A frame in videoInputFormat() goes to
    // the encoder without a copy; one in the other layout is rearranged first. The encoder may
    // keep a reference: call av_frame_make_writable before drawing into the same buffers again.
    // Returns false as writeVideo does.
    bool writeVideoYUV420(AVFrame& frame, double pts);
    // The layout writeVideoYUV420 passes on without rearranging: the settings' inputFormat when
    // the encoder takes it, NV12 for a graphics card's encoder, else AV_PIX_FMT_YUV420P.
    AVPixelFormat videoInputFormat() const;

    // frameCount frames of interleaved float samples (channels per frame, -1...1) starting at pts.
    void writeAudio(const float* interleaved, int frameCount, double pts);
    // Silence from the end of the sound written so far (or from 0) up to `endPts`, so that the
    // audio track lasts that long whatever the source delivered. Nothing when it already does.
    void padAudio(double endPts);

    // Flushes the encoders and writes the trailer. Further writes raise. Calling it twice is
    // harmless.
    void finish();
    bool isFinished() const;

    // Video frames and audio sample frames accepted so far.
    std::int64_t videoFramesWritten() const;
    std::int64_t audioFramesWritten() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnix::media
