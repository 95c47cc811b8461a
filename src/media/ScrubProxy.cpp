#include "media/ScrubProxy.h"

#include <QCryptographicHash>
#include <QStandardPaths>

extern "C" {
#include <libavformat/avformat.h>
}

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>
#include <vector>

#include "media/FFmpegSupport.h"

namespace tarnix::media {

namespace {

// A proxy picture is for finding a place, not for looking closely: a low quality keeps it small
// and quick to decode, and at most 15 pictures a second keep an hour of a still screen (where the
// movie itself costs next to nothing) within a few hundred megabytes.
constexpr int kProxyQuality = 30; // x264's constant rate factor
constexpr double kProxyFrameInterval = 1.0 / 15;

struct OutputDeleter {
    void operator()(AVFormatContext* context) const
    {
        if (context && context->pb)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;

QSize proxySize(QSize movie)
{
    const int height = std::max(2, int(std::lround(double(movie.height()) * kScrubProxyWidth /
                                                   std::max(movie.width(), 1) / 2)) * 2);
    return QSize(kScrubProxyWidth, height);
}

// Decodes the movie and writes its frames, scaled, each a key frame.
class ProxyWriter {
public:
    ProxyWriter(const AssetTrack& track, const std::filesystem::path& path)
        : input_(ff::openInput(track.url))
        , streamIndex_(track.streamIndex)
    {
        if (streamIndex_ < 0 || unsigned(streamIndex_) >= input_->nb_streams)
            throw std::runtime_error("no such video track");
        for (unsigned i = 0; i < input_->nb_streams; ++i)
            if (int(i) != streamIndex_)
                input_->streams[i]->discard = AVDISCARD_ALL;
        const AVStream* source = input_->streams[streamIndex_];
        decoder_ = ff::openDecoder(*input_, streamIndex_, 1);
        size_ = proxySize(QSize(decoder_->width, decoder_->height));

        AVFormatContext* output = nullptr;
        if (avformat_alloc_output_context2(&output, nullptr, "matroska", path.c_str()) < 0)
            throw std::runtime_error("no matroska muxer");
        output_.reset(output);
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec)
            throw std::runtime_error("no H.264 encoder");
        encoder_.reset(avcodec_alloc_context3(codec));
        encoder_->width = size_.width();
        encoder_->height = size_.height();
        encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
        encoder_->color_range = AVCOL_RANGE_MPEG;
        encoder_->colorspace = AVCOL_SPC_BT709;
        encoder_->time_base = source->time_base;
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        encoder_->gop_size = 1; // every picture a key frame
        encoder_->max_b_frames = 0;
        encoder_->thread_count = 1;
        timeBase_ = source->time_base;
        if (input_->start_time != AV_NOPTS_VALUE)
            originPts_ = av_rescale_q(input_->start_time, AV_TIME_BASE_Q, timeBase_);
        AVDictionary* options = nullptr;
        av_dict_set(&options, "preset", "superfast", 0);
        av_dict_set_int(&options, "crf", kProxyQuality, 0);
        const int opened = avcodec_open2(encoder_.get(), codec, &options);
        av_dict_free(&options);
        if (opened < 0)
            throw std::runtime_error("the H.264 encoder did not open");
        stream_ = avformat_new_stream(output_.get(), nullptr);
        if (!stream_ || avcodec_parameters_from_context(stream_->codecpar, encoder_.get()) < 0)
            throw std::runtime_error("no proxy stream");
        stream_->time_base = source->time_base;
        if (avio_open(&output_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
            avformat_write_header(output_.get(), nullptr) < 0)
            throw std::runtime_error("the proxy could not be written");
        scaled_->format = AV_PIX_FMT_YUV420P;
        scaled_->width = size_.width();
        scaled_->height = size_.height();
        if (av_frame_get_buffer(scaled_.get(), 0) < 0)
            throw std::runtime_error("out of memory");
    }

    // False when cancelled.
    bool run(const std::atomic<bool>& cancel)
    {
        while (!cancel.load(std::memory_order_relaxed)) {
            const int status = av_read_frame(input_.get(), packet_.get());
            if (status < 0)
                break; // the end, or a damaged tail: the proxy ends where decoding does
            if (packet_->stream_index == streamIndex_)
                avcodec_send_packet(decoder_.get(), packet_.get());
            av_packet_unref(packet_.get());
            writeDecodedFrames();
        }
        if (cancel.load())
            return false;
        avcodec_send_packet(decoder_.get(), nullptr);
        writeDecodedFrames();
        avcodec_send_frame(encoder_.get(), nullptr);
        writePackets();
        return av_write_trailer(output_.get()) >= 0 && written_ > 0;
    }

private:
    void writeDecodedFrames()
    {
        while (avcodec_receive_frame(decoder_.get(), decoded_.get()) == 0) {
            const int64_t pts = decoded_->best_effort_timestamp;
            const double time = pts == AV_NOPTS_VALUE ? lastTime_ : ff::toSeconds(pts, timeBase_);
            if (sent_ > 0 && time < lastTime_ + kProxyFrameInterval - 1e-6) {
                av_frame_unref(decoded_.get());
                continue;
            }
            lastTime_ = time;
            scaler_.reset(sws_getCachedContext(
                scaler_.release(), decoded_->width, decoded_->height,
                AVPixelFormat(decoded_->format), size_.width(), size_.height(),
                AV_PIX_FMT_YUV420P, SWS_AREA, nullptr, nullptr, nullptr));
            if (scaler_ && av_frame_make_writable(scaled_.get()) >= 0) {
                sws_scale(scaler_.get(), decoded_->data, decoded_->linesize, 0, decoded_->height,
                          scaled_->data, scaled_->linesize);
                // The movie's time line starts where its first stream does, which may be its
                // sound: the first picture is stamped there, so that the proxy's time line (which
                // starts at its first picture) is the movie's.
                scaled_->pts = sent_ == 0 && originPts_ != AV_NOPTS_VALUE && pts != AV_NOPTS_VALUE
                                   ? std::min(pts, originPts_)
                                   : pts;
                if (avcodec_send_frame(encoder_.get(), scaled_.get()) == 0)
                    ++sent_;
                writePackets();
            }
            av_frame_unref(decoded_.get());
        }
    }

    void writePackets()
    {
        while (avcodec_receive_packet(encoder_.get(), packet_.get()) == 0) {
            packet_->stream_index = stream_->index;
            av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
            if (av_interleaved_write_frame(output_.get(), packet_.get()) == 0)
                ++written_;
            av_packet_unref(packet_.get());
        }
    }

    ff::FormatContextPtr input_;
    int streamIndex_;
    ff::CodecContextPtr decoder_;
    QSize size_;
    OutputPtr output_;
    ff::CodecContextPtr encoder_;
    AVStream* stream_ = nullptr;
    ff::PacketPtr packet_ = ff::makePacket();
    ff::FramePtr decoded_ = ff::makeFrame();
    ff::FramePtr scaled_ = ff::makeFrame();
    ff::SwsPtr scaler_;
    AVRational timeBase_{1, 1};
    int64_t originPts_ = AV_NOPTS_VALUE; // the movie's start, in the stream's time base
    double lastTime_ = 0;
    int sent_ = 0;    // pictures handed to the encoder
    int written_ = 0; // packets written
};

std::filesystem::path partialPath(const std::filesystem::path& proxy)
{
    auto partial = proxy;
    partial += ".part";
    return partial;
}

std::filesystem::path movieNotePath(const std::filesystem::path& proxy)
{
    auto note = proxy;
    note.replace_extension(".movie");
    return note;
}

// An exclusive, non-blocking flock on a proxy's `.part`. The kernel drops it when its holder dies,
// so a maker that was killed leaves a file anybody may take over, never a lock. The file is
// checked to still be the one at the path once locked: a `.part` removed in between (finished or
// tidied away) is not written through a lock on a file nobody sees.
class PartLock {
public:
    explicit PartLock(const std::filesystem::path& path)
    {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0)
            return;
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            busy_ = errno == EWOULDBLOCK;
            release();
            return;
        }
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd_, &locked) != 0 || ::stat(path.c_str(), &named) != 0 ||
            locked.st_ino != named.st_ino || locked.st_dev != named.st_dev) {
            busy_ = true; // somebody else has moved on with it
            release();
        }
    }
    ~PartLock() { release(); }
    PartLock(const PartLock&) = delete;
    PartLock& operator=(const PartLock&) = delete;

    bool held() const { return fd_ >= 0; }
    bool busy() const { return busy_; }

private:
    void release()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int fd_ = -1;
    bool busy_ = false;
};

// A `.part` whose lock can be taken has no maker any more (it was killed): it goes.
void removeIfAbandoned(const std::filesystem::path& partial)
{
    PartLock lock(partial);
    std::error_code error;
    if (lock.held())
        std::filesystem::remove(partial, error);
}

// The movie a proxy was made of, as two lines: its path and its stream.
bool writeMovieNote(const AssetTrack& track, const std::filesystem::path& proxy)
{
    std::error_code error;
    const auto movie = std::filesystem::absolute(track.url, error);
    std::ofstream note(movieNotePath(proxy), std::ios::trunc);
    note << movie.string() << '\n' << track.streamIndex << '\n';
    return !error && note.flush().good();
}

// Whether the movie a proxy was made of was deleted or changed since: the proxy's name then no
// longer matches it. A proxy without a note is left to the size limit.
bool movieIsGone(const std::filesystem::path& proxy)
{
    std::ifstream note(movieNotePath(proxy));
    std::string movie;
    AssetTrack track;
    if (!std::getline(note, movie) || !(note >> track.streamIndex) || movie.empty())
        return false;
    track.url = movie;
    return scrubProxyPath(track, proxy.parent_path()) != proxy;
}

bool removeProxy(const std::filesystem::path& proxy)
{
    std::error_code error;
    std::filesystem::remove(movieNotePath(proxy), error);
    return std::filesystem::remove(proxy, error);
}

} // namespace

bool wantsScrubProxy(const AssetTrack& track)
{
    return track.mediaType == MediaType::video && track.naturalSize.width() >= 2 * kScrubProxyWidth;
}

std::filesystem::path defaultScrubProxyFolder()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return {};
    return std::filesystem::path(cache.toStdString()) / "tarnix" / "scrub";
}

std::filesystem::path scrubProxyPath(const AssetTrack& track, const std::filesystem::path& folder)
{
    std::error_code error;
    const auto absolute = std::filesystem::absolute(track.url, error);
    const auto size = std::filesystem::file_size(track.url, error);
    if (error || folder.empty())
        return {};
    const auto modified = std::filesystem::last_write_time(track.url, error);
    if (error)
        return {};
    const std::string key = absolute.string() + '\n' + std::to_string(track.streamIndex) + '\n' +
                            std::to_string(size) + '\n' +
                            std::to_string(modified.time_since_epoch().count());
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(key),
                                                     QCryptographicHash::Sha1);
    return folder / (hash.toHex().toStdString() + ".mkv");
}

ScrubProxyResult makeScrubProxy(const AssetTrack& track, const std::filesystem::path& path,
                                const std::atomic<bool>& cancel)
{
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    const auto partial = partialPath(path);
    PartLock lock(partial);
    if (!lock.held())
        return lock.busy() ? ScrubProxyResult::busy : ScrubProxyResult::failed;
    if (std::filesystem::exists(path, error)) {
        // Made by another maker between our look and our lock.
        std::filesystem::remove(partial, error);
        return ScrubProxyResult::present;
    }
    bool made = false;
    try {
        ProxyWriter writer(track, partial);
        made = writer.run(cancel);
    } catch (const std::exception&) {
        made = false; // an unreadable movie simply has no proxy
    }
    if (made)
        made = writeMovieNote(track, path);
    if (made)
        std::filesystem::rename(partial, path, error);
    if (!made || error) {
        std::filesystem::remove(partial, error);
        std::filesystem::remove(movieNotePath(path), error);
        return ScrubProxyResult::failed;
    }
    return ScrubProxyResult::made;
}

} // namespace tarnix::media

namespace tarnix::media {

void trimScrubProxies(const std::filesystem::path& folder, std::uintmax_t bytes)
{
    struct Proxy {
        std::filesystem::path path;
        std::filesystem::file_time_type written;
        std::uintmax_t size = 0;
    };
    std::vector<Proxy> proxies;
    std::uintmax_t total = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const auto& path = entry.path();
        if (!entry.is_regular_file(error))
            continue;
        if (path.extension() == ".part") {
            removeIfAbandoned(path);
            continue;
        }
        if (path.extension() != ".mkv")
            continue;
        if (movieIsGone(path)) {
            removeProxy(path);
            continue;
        }
        Proxy proxy{path, entry.last_write_time(error), entry.file_size(error)};
        if (error)
            continue;
        total += proxy.size;
        proxies.push_back(std::move(proxy));
    }
    std::sort(proxies.begin(), proxies.end(),
              [](const Proxy& a, const Proxy& b) { return a.written < b.written; });
    for (const Proxy& proxy : proxies) {
        if (total <= bytes)
            break;
        if (removeProxy(proxy.path))
            total -= proxy.size;
    }
}

} // namespace tarnix::media
