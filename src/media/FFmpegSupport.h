#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QImage>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "media/MediaError.h"

// Owning handles for FFmpeg objects and the conversion of FFmpeg failures into MediaError values.
// Internal to src/media; callers outside the engine never see FFmpeg types.

namespace tarnix::media::ff {

// Closes the input, and the reader of a file opened with a readable length (openInput).
struct FormatContextDeleter {
    void operator()(AVFormatContext* context) const;
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct SwrDeleter {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;

inline FramePtr makeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr makePacket() { return PacketPtr(av_packet_alloc()); }

// FFmpeg's own text for an AVERROR code.
std::string errorText(int code);

// A MediaError in the "FFmpeg" domain carrying FFmpeg's code and text as the underlying error.
MediaError makeError(const std::string& description, int ffmpegCode,
                     std::optional<std::string> failureReason = std::nullopt);

// Opens a media file for reading and reads its stream information. Throws MediaException with a
// sentence naming the file when it cannot be opened or is not a media file. With
// `readableBytes`, FFmpeg sees the file as if it ended there: what a file would be once cut,
// read without changing it.
FormatContextPtr openInput(const std::filesystem::path& path,
                           std::optional<std::int64_t> readableBytes = std::nullopt);

// Opens a decoder for one stream of an open file. threads = 0 lets FFmpeg choose.
// Throws MediaException when the stream cannot be decoded.
CodecContextPtr openDecoder(const AVFormatContext& format, int streamIndex, int threads);

// The file's time origin in seconds: its start time, or 0 when it has none.
double startTimeSeconds(const AVFormatContext& format);

// A 32-bit picture for libswscale to write into. Its vector paths convert whole blocks of
// pixels: when a row has no room for the last block they either write past the row's end or
// leave the last pixels unconverted, so rows here are padded to whole blocks of 16 pixels and a
// spare row follows the last. Null when out of memory.
QImage imageForScaler(int width, int height, QImage::Format format);

// Seconds for a timestamp in a time base.
inline double toSeconds(int64_t ts, AVRational base) { return double(ts) * av_q2d(base); }

} // namespace tarnix::media::ff
