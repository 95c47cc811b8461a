#include "media/ExportSession.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/imgutils.h>
}

#include <deque>
#include <map>

#include "media/AudioMixer.h"
#include "media/DecodeAhead.h"
#include "media/ExportSettings.h"
#include "media/FFmpegSupport.h"
#include "media/FrameRequest.h"
#include "media/MovieWriter.h"
#include "media/YuvConversion.h"

namespace tarnix::media {

namespace {

MediaError exportError(ExportErrorCode code, std::string description,
                       std::optional<std::string> reason = std::nullopt,
                       std::optional<MediaError> underlying = std::nullopt)
{
    MediaError error{"Tarnix.Export", int(code), std::move(description), std::move(reason),
                     nullptr};
    if (underlying)
        error.underlying = std::make_shared<const MediaError>(std::move(*underlying));
    return error;
}

// One composed output frame, converted to the encoder's YUV 4:2:0 at the output size, or why it
// could not be made.
struct RenderedFrame {
    std::shared_ptr<AVFrame> yuv;
    std::optional<MediaError> error;
};

// Encoder frames come from one pool per export: their buffers are reused rather than mapped
// afresh for every frame.
class YuvFramePool {
public:
    explicit YuvFramePool(QSize size)
        : size_(size)
        , bytes_(av_image_get_buffer_size(AV_PIX_FMT_YUV420P, size.width(), size.height(), kAlign))
        , pool_(bytes_ > 0 ? av_buffer_pool_init(std::size_t(bytes_), av_buffer_alloc) : nullptr)
    {
    }
    ~YuvFramePool() { av_buffer_pool_uninit(&pool_); } // buffers still out are freed when returned
    YuvFramePool(const YuvFramePool&) = delete;
    YuvFramePool& operator=(const YuvFramePool&) = delete;

    // Thread-safe. Null when out of memory.
    std::shared_ptr<AVFrame> frame()
    {
        std::shared_ptr<AVFrame> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
        if (!frame || !pool_)
            return nullptr;
        frame->buf[0] = av_buffer_pool_get(pool_);
        if (!frame->buf[0])
            return nullptr;
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = size_.width();
        frame->height = size_.height();
        if (av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, AV_PIX_FMT_YUV420P,
                                 size_.width(), size_.height(), kAlign) < 0)
            return nullptr;
        return frame;
    }

private:
    static constexpr int kAlign = 64;
    QSize size_;
    int bytes_;
    AVBufferPool* pool_;
};

// BGRA to YUV 4:2:0 at the output size, BT.709 limited range as the writer tags the file: our own
// conversion at the same size, else one libswscale pass that scales too. Runs on the worker
// threads, so the export thread only encodes.
std::shared_ptr<AVFrame> toEncoderFrame(const QImage& image, YuvFramePool& pool, QSize size)
{
    if (image.size() == size) {
        std::shared_ptr<AVFrame> frame = pool.frame();
        if (frame && convertBgraToYuv420(image, *frame))
            return frame;
    }
    // Per worker thread: the converter is reused for every frame of the same sizes.
    thread_local ff::SwsPtr converter;
    SwsContext* previous = converter.get();
    int flags = SWS_FULL_CHR_H_INP | (image.size() == size ? SWS_BILINEAR : SWS_BICUBIC);
    converter.reset(sws_getCachedContext(converter.release(), image.width(), image.height(),
                                         AV_PIX_FMT_BGRA, size.width(), size.height(),
                                         AV_PIX_FMT_YUV420P, flags, nullptr, nullptr, nullptr));
    if (!converter)
        return nullptr;
    if (converter.get() != previous)
        sws_setColorspaceDetails(converter.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                 sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    std::shared_ptr<AVFrame> frame = pool.frame();
    if (!frame)
        return nullptr;
    const uint8_t* planes[4] = {image.constBits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(converter.get(), planes, strides, 0, image.height(), frame->data, frame->linesize);
    return frame;
}

RenderedFrame renderFrame(VideoCompositing& compositor, double time,
                          std::shared_ptr<const VideoCompositionInstruction> instruction,
                          const std::map<TrackID, QImage>& sources, YuvFramePool& pool,
                          QSize outputSize)
{
    ComposedFrame composed = composeFrame(compositor, time, std::move(instruction), sources);
    if (composed.error) {
        if (composed.error->domain == "Tarnix.Export")
            return {nullptr, composed.error};
        return {nullptr, exportError(ExportErrorCode::renderFailed,
                                      "A frame couldn't be rendered.", std::nullopt,
                                      *composed.error)};
    }
    std::shared_ptr<AVFrame> yuv = toEncoderFrame(composed.image, pool, outputSize);
    if (!yuv)
        return {nullptr, exportError(ExportErrorCode::renderFailed,
                                     "A frame couldn't be rendered.",
                                     "Out of memory for video frames.")};
    return {std::move(yuv), std::nullopt};
}

} // namespace

// The state of one export run, on the export thread.
struct ExportSession::Run {
    ExportSession& session;
    QSize outputSize;
    int frameCount = 0;
    double frameDuration = 0;
    std::unique_ptr<MovieWriter> writer;
    std::unique_ptr<AudioMixer> mixer;

    void writeAudioUntil(double time)
    {
        if (!mixer || !mixer->hasAudio())
            return;
        std::int64_t target = std::llround(time * mixer->sampleRate());
        std::int64_t count = target - mixer->position();
        if (count <= 0)
            return;
        double pts = double(mixer->position()) / mixer->sampleRate();
        std::vector<float> samples = mixer->read(count);
        writer->writeAudio(samples.data(), int(count), pts);
    }
};

// Frames are decoded in order on a decoding thread, composed on the pool's threads, and written
// in order on the export thread. At most this many frames per worker are being composed and this
// many time steps wait decoded, which bounds memory to a few dozen frames.
static constexpr int kFramesInFlightPerWorker = 3;
static constexpr int kDecodeAheadDepth = 4;

std::optional<MediaError> ExportSession::renderAndWrite(Run& state)
{
    std::unique_ptr<VideoCompositing> compositor = videoComposition_.customVideoCompositor();
    if (!compositor)
        return exportError(ExportErrorCode::renderFailed, "A frame couldn't be rendered.",
                           "No compositor could be made.");
    compositor->renderContextChanged(
        std::make_shared<FixedRenderContext>(videoComposition_.renderSize));
    YuvFramePool yuvFrames(state.outputSize);
    QThreadPool pool; // declared after the compositor and frames: destroyed (and joined) first
    pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    const int window = pool.maxThreadCount() * kFramesInFlightPerWorker;
    DecodeAhead decoder(composition_, state.frameCount, state.frameDuration, kDecodeAheadDepth);
    std::deque<QFuture<RenderedFrame>> inFlight;
    int written = 0;

    auto writeOldest = [&]() -> std::optional<MediaError> {
        RenderedFrame frame = inFlight.front().result();
        inFlight.pop_front();
        if (frame.error)
            return frame.error;
        double pts = written * state.frameDuration;
        state.writer->writeVideoYUV420(*frame.yuv, pts);
        ++written;
        state.writeAudioUntil(written * state.frameDuration);
        progress_ = double(written) / state.frameCount;
        if (progressHandler_)
            progressHandler_(progress_);
        return std::nullopt;
    };

    for (int i = 0; i < state.frameCount && !cancelRequested_; ++i) {
        double t = i * state.frameDuration;
        DecodeAhead::Item decoded = decoder.next();
        if (decoded.error) {
            pool.waitForDone();
            return exportError(ExportErrorCode::decodeFailed,
                               "The recording couldn't be decoded.", std::nullopt,
                               *decoded.error);
        }
        auto instruction = videoComposition_.instructionAt(t);
        VideoCompositing* drawer = compositor.get();
        YuvFramePool* frames = &yuvFrames;
        QSize size = state.outputSize;
        inFlight.push_back(QtConcurrent::run(&pool, [drawer, t, instruction, frames, size,
                                                     sources = std::move(decoded.sources)] {
            return renderFrame(*drawer, t, instruction, sources, *frames, size);
        }));
        while (int(inFlight.size()) >= window)
            if (auto error = writeOldest()) {
                pool.waitForDone();
                return error;
            }
    }
    while (!inFlight.empty() && !cancelRequested_)
        if (auto error = writeOldest()) {
            pool.waitForDone();
            return error;
        }
    pool.waitForDone();
    return std::nullopt;
}

ExportSession::ExportSession(std::shared_ptr<const Composition> composition, ExportPreset preset)
    : composition_(std::move(composition))
    , preset_(preset)
{
}

ExportSession::~ExportSession()
{
    cancelExport();
    if (thread_.joinable())
        thread_.join();
}

void ExportSession::setVideoComposition(VideoComposition videoComposition)
{
    videoComposition_ = std::move(videoComposition);
}

void ExportSession::setOutputURL(std::filesystem::path url) { outputURL_ = std::move(url); }

void ExportSession::setProgressHandler(std::function<void(double)> handler)
{
    progressHandler_ = std::move(handler);
}

QSize ExportSession::outputFrameSize() const
{
    return exportFrameSize(preset_, videoComposition_.renderSize);
}

std::optional<MediaError> ExportSession::error() const
{
    std::lock_guard lock(errorMutex_);
    return error_;
}

void ExportSession::cancelExport() { cancelRequested_ = true; }

void ExportSession::exportAsynchronously(std::function<void()> completion)
{
    if (thread_.joinable())
        thread_.join();
    status_ = ExportStatus::exporting;
    thread_ = std::thread([this, completion = std::move(completion)] {
        run();
        if (completion)
            completion();
    });
}

void ExportSession::exportSynchronously() { run(); }

void ExportSession::finishWith(ExportStatus status, std::optional<MediaError> error)
{
    {
        std::lock_guard lock(errorMutex_);
        error_ = std::move(error);
    }
    status_ = status;
}

void ExportSession::run()
{
    status_ = ExportStatus::exporting;
    progress_ = 0;
    if (!composition_ || composition_->tracks(MediaType::video).empty() ||
        !videoComposition_.customVideoCompositor || videoComposition_.renderSize.isEmpty() ||
        !(videoComposition_.frameDuration() > 0)) {
        finishWith(ExportStatus::failed,
                   exportError(ExportErrorCode::nothingToExport, "There is no video to export."));
        return;
    }
    std::error_code ec;
    if (outputURL_.empty() || std::filesystem::exists(outputURL_, ec)) {
        finishWith(ExportStatus::failed,
                   exportError(ExportErrorCode::fileExists,
                               "The export file couldn't be created.",
                               outputURL_.empty() ? "No output location was given."
                                                  : "A file already exists at " +
                                                        outputURL_.string() + "."));
        return;
    }

    Run state{*this, outputFrameSize(), 0, videoComposition_.frameDuration(), nullptr, nullptr};
    state.frameCount = frameCount(composition_->duration(), videoComposition_);
    try {
        state.mixer = std::make_unique<AudioMixer>(*composition_, kExportAudioRate,
                                                   kExportAudioChannels);
    } catch (const MediaException& e) {
        finishWith(ExportStatus::failed,
                   exportError(ExportErrorCode::decodeFailed,
                               "The recording's sound couldn't be decoded.", std::nullopt,
                               e.error()));
        return;
    }
    std::optional<MediaError> failure;
    bool createdFile = false;
    try {
        MovieWriterSettings settings;
        settings.outputPath = outputURL_;
        settings.layout = MovieLayout::faststart;
        MovieVideoSettings video;
        video.width = state.outputSize.width();
        video.height = state.outputSize.height();
        video.frameRate = 1.0 / state.frameDuration;
        video.encoders = {kExportVideoEncoder};
        video.preset = kExportEncoderPreset;
        video.quality = kExportQuality;
        video.keyFrameIntervalSeconds = kExportKeyFrameSeconds;
        settings.video = video;
        if (state.mixer->hasAudio())
            settings.audio = MovieAudioSettings{kExportAudioRate, kExportAudioChannels,
                                                kExportAudioBitRate};
        state.writer = std::make_unique<MovieWriter>(settings);
        createdFile = true;
        failure = renderAndWrite(state);
        if (!failure && !cancelRequested_) {
            state.writeAudioUntil(state.frameCount * state.frameDuration);
            state.writer->finish();
        }
    } catch (const MediaException& e) {
        failure = exportError(ExportErrorCode::writeFailed, "The movie couldn't be written.",
                              std::nullopt, e.error());
    } catch (const std::exception& e) {
        failure = exportError(ExportErrorCode::writeFailed, "The movie couldn't be written.",
                              e.what());
    }
    state.writer.reset(); // closes the file before it may be removed
    if (failure || cancelRequested_) {
        if (createdFile || std::filesystem::exists(outputURL_, ec))
            std::filesystem::remove(outputURL_, ec);
        if (failure)
            finishWith(ExportStatus::failed, failure);
        else
            finishWith(ExportStatus::cancelled,
                       exportError(ExportErrorCode::cancelled, "The export was cancelled."));
        return;
    }
    progress_ = 1;
    if (progressHandler_)
        progressHandler_(1);
    finishWith(ExportStatus::completed, std::nullopt);
}

} // namespace tarnix::media
