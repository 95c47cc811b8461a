#include "media/FFmpegSupport.h"

#include "media/ImageBufferPool.h"

namespace tarnix::media::ff {

std::string errorText(int code)
{
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return buffer;
}

MediaError makeError(const std::string& description, int ffmpegCode,
                     std::optional<std::string> failureReason)
{
    MediaError error{"Tarnix.Media", ffmpegCode, description, std::move(failureReason), nullptr};
    error.underlying = std::make_shared<const MediaError>(
        MediaError{"FFmpeg", ffmpegCode, errorText(ffmpegCode), std::nullopt, nullptr});
    return error;
}

FormatContextPtr openInput(const std::filesystem::path& path)
{
    // A FIFO or a device would block the opening or never end; a folder is no media file.
    std::error_code ec;
    const auto kind = std::filesystem::status(path, ec);
    if (std::filesystem::exists(kind) && !std::filesystem::is_regular_file(kind))
        throw MediaException(MediaError{
            "Tarnix.Media", 2,
            "The file “" + path.filename().string() + "” is not a regular file.",
            path.string() + (std::filesystem::is_directory(kind)
                                 ? " is a folder."
                                 : " is a FIFO, a socket or a device, which can't be read as a movie."),
            nullptr});
    // A document names the recorders' own movies. Documents travel (mail, downloads) and their
    // files are opened unattended by the thumbnailer, so FFmpeg may read only local files in the
    // containers the recorders and the exporter write: no playlists or concat lists that pull in
    // other files or the network.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", "mov,matroska,gif", 0);
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    int status = avformat_open_input(&raw, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (status < 0)
        throw MediaException(makeError("The file “" + path.filename().string() +
                                           "” couldn't be opened.",
                                       status, path.string()));
    FormatContextPtr format(raw);
    status = avformat_find_stream_info(format.get(), nullptr);
    if (status < 0)
        throw MediaException(makeError("The file “" + path.filename().string() +
                                           "” is not a readable media file.",
                                       status, path.string()));
    return format;
}

CodecContextPtr openDecoder(const AVFormatContext& format, int streamIndex, int threads)
{
    const AVStream* stream = format.streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        throw MediaException(makeError("The media file uses a format that can't be decoded.",
                                       AVERROR_DECODER_NOT_FOUND,
                                       avcodec_get_name(stream->codecpar->codec_id)));
    CodecContextPtr context(avcodec_alloc_context3(codec));
    int status = avcodec_parameters_to_context(context.get(), stream->codecpar);
    if (status >= 0) {
        context->thread_count = threads;
        context->pkt_timebase = stream->time_base;
        status = avcodec_open2(context.get(), codec, nullptr);
    }
    if (status < 0)
        throw MediaException(makeError("The media file's decoder couldn't be started.", status,
                                       avcodec_get_name(stream->codecpar->codec_id)));
    return context;
}

double startTimeSeconds(const AVFormatContext& format)
{
    if (format.start_time == AV_NOPTS_VALUE)
        return 0;
    return double(format.start_time) / AV_TIME_BASE;
}

QImage imageForScaler(int width, int height, QImage::Format format)
{
    // A pool of its own, gone with the picture.
    return ImageBufferPool::create(0)->image(width, height, format);
}

} // namespace tarnix::media::ff
