#include "media/ExportSession.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <deque>
#include <map>

#include "graphics/ParallelFor.h"
#include "media/AudioMixer.h"
#include "media/DecodeAhead.h"
#include "media/EncoderFrames.h"
#include "media/ExportSettings.h"
#include "media/FFmpegSupport.h"
#include "media/FrameRequest.h"
#include "media/MovieWriter.h"

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

// BGRA to the encoder's YUV 4:2:0 at the output size, on the worker threads, so the export
// thread only encodes. Frames come from one pool per export.
std::shared_ptr<AVFrame> toEncoderFrame(const QImage& image, EncoderFramePool& pool)
{
    // Per worker thread: the converter is reused for every frame of the same sizes.
    thread_local EncoderFrameConverter converter(SWS_FULL_CHR_H_INP | SWS_BICUBIC);
    std::shared_ptr<AVFrame> frame = pool.frame();
    if (!frame || !converter.convert(image, *frame))
        return nullptr;
    return frame;
}

RenderedFrame renderFrame(VideoCompositing& compositor, double time,
                          std::shared_ptr<const VideoCompositionInstruction> instruction,
                          const std::map<TrackID, QImage>& sources, EncoderFramePool& pool)
{
    ComposedFrame composed = composeFrame(compositor, time, std::move(instruction), sources);
    if (composed.error) {
        if (composed.error->domain == "Tarnix.Export")
            return {nullptr, composed.error};
        return {nullptr, exportError(ExportErrorCode::renderFailed,
                                      "A frame couldn't be rendered.", std::nullopt,
                                      *composed.error)};
    }
    std::shared_ptr<AVFrame> yuv = toEncoderFrame(composed.image, pool);
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

namespace {
// The frames handed to the pool, oldest first; waits for all of them when it goes.
struct InFlightFrames : std::deque<QFuture<RenderedFrame>> {
    InFlightFrames() = default;
    InFlightFrames(const InFlightFrames&) = delete;
    InFlightFrames& operator=(const InFlightFrames&) = delete;
    ~InFlightFrames()
    {
        for (auto& frame : *this)
            frame.waitForFinished();
    }
};
} // namespace
static constexpr int kDecodeAheadDepth = 4;

std::optional<MediaError> ExportSession::renderAndWrite(Run& state)
{
    std::unique_ptr<VideoCompositing> compositor = videoComposition_.customVideoCompositor();
    if (!compositor)
        return exportError(ExportErrorCode::renderFailed, "A frame couldn't be rendered.",
                           "No compositor could be made.");
    compositor->renderContextChanged(
        std::make_shared<FixedRenderContext>(videoComposition_.renderSize));
    EncoderFramePool encoderFrames(state.outputSize);
    // Frames are composed on the process's worker pool, whose threads run the image code's own
    // parallel loops inline: one frame per core, no threads inside threads.
    QThreadPool& pool = graphics::workerPool();
    const int window = std::max(2, pool.maxThreadCount()) * kFramesInFlightPerWorker;
    DecodeAhead decoder(composition_, state.frameCount, state.frameDuration, kDecodeAheadDepth);
    // Declared after the compositor and frames: every frame still being composed is waited for
    // before they go, whichever way this function leaves.
    InFlightFrames inFlight;
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
            return exportError(ExportErrorCode::decodeFailed,
                               "The recording couldn't be decoded.", std::nullopt,
                               *decoded.error);
        }
        auto instruction = videoComposition_.instructionAt(t);
        VideoCompositing* drawer = compositor.get();
        EncoderFramePool* frames = &encoderFrames;
        inFlight.push_back(QtConcurrent::run(&pool, [drawer, t, instruction, frames,
                                                     sources = std::move(decoded.sources)] {
            return renderFrame(*drawer, t, instruction, sources, *frames);
        }));
        while (int(inFlight.size()) >= window)
            if (auto error = writeOldest())
                return error;
    }
    while (!inFlight.empty() && !cancelRequested_)
        if (auto error = writeOldest())
            return error;
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
