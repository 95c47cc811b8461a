#include "media/FFmpegSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "media/ImageBufferPool.h"

namespace tarnix::media::ff {

namespace {

// The first `size` bytes of a file, for FFmpeg's own I/O: the demuxer sees a file that ends there.
struct PrefixReader {
    int fd = -1;
    std::int64_t size = 0;
    std::int64_t position = 0;

    ~PrefixReader()
    {
        if (fd >= 0)
            close(fd);
    }

    static int read(void* opaque, std::uint8_t* buffer, int wanted)
    {
        auto& self = *static_cast<PrefixReader*>(opaque);
        const std::int64_t count = std::min<std::int64_t>(wanted, self.size - self.position);
        if (count <= 0)
            return AVERROR_EOF;
        const ssize_t got = pread(self.fd, buffer, static_cast<std::size_t>(count), self.position);
        if (got < 0)
            return AVERROR(errno);
        if (got == 0)
            return AVERROR_EOF;
        self.position += got;
        return static_cast<int>(got);
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence)
    {
        auto& self = *static_cast<PrefixReader*>(opaque);
        if (whence & AVSEEK_SIZE)
            return self.size;
        std::int64_t target = offset;
        switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            break;
        case SEEK_CUR:
            target += self.position;
            break;
        case SEEK_END:
            target += self.size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (target < 0)
            return AVERROR(EINVAL);
        self.position = target;
        return target;
    }
};

void freeReader(AVIOContext* io)
{
    if (!io)
        return;
    delete static_cast<PrefixReader*>(io->opaque);
    av_freep(&io->buffer);
    avio_context_free(&io);
}

// An output context whose input is the first `readable` bytes of `path`; raises like openInput.
AVFormatContext* prefixContext(const std::filesystem::path& path, std::int64_t readable)
{
    auto reader = std::make_unique<PrefixReader>();
    reader->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const off_t size = reader->fd >= 0 ? lseek(reader->fd, 0, SEEK_END) : -1;
    if (size < 0)
        throw MediaException(makeError("The file “" + path.filename().string() + "” couldn't be opened.",
                                       AVERROR(errno), path.string()));
    reader->size = std::min<std::int64_t>(readable, size);
    constexpr int kBufferSize = 64 * 1024;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
    AVIOContext* io = buffer ? avio_alloc_context(buffer, kBufferSize, 0, reader.get(), &PrefixReader::read,
                                                  nullptr, &PrefixReader::seek)
                             : nullptr;
    AVFormatContext* context = io ? avformat_alloc_context() : nullptr;
    if (!context) {
        if (io)
            freeReader(io);
        else
            av_free(buffer);
        throw MediaException(makeError("Out of memory for reading a media file.", AVERROR(ENOMEM)));
    }
    reader.release(); // owned by the I/O context now
    context->pb = io;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    return context;
}

} // namespace

void FormatContextDeleter::operator()(AVFormatContext* context) const
{
    AVIOContext* own = context && (context->flags & AVFMT_FLAG_CUSTOM_IO) ? context->pb : nullptr;
    avformat_close_input(&context);
    freeReader(own);
}

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

FormatContextPtr openInput(const std::filesystem::path& path, std::optional<std::int64_t> readableBytes)
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
    AVFormatContext* raw = readableBytes ? prefixContext(path, *readableBytes) : nullptr;
    AVIOContext* reader = raw ? raw->pb : nullptr;
    int status = avformat_open_input(&raw, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (status < 0) {
        freeReader(reader); // FFmpeg freed the context, never a caller's reader
        throw MediaException(makeError("The file “" + path.filename().string() +
                                           "” couldn't be opened.",
                                       status, path.string()));
    }
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
