#include "media/ExportSession.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <deque>
#include <map>

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

// A file error of the output location, in words, with the errno after them.
MediaError fileFailure(const FileError& e, const std::filesystem::path& target)
{
    if (e.code() == EEXIST)
        return exportError(ExportErrorCode::fileExists, "The export file couldn't be created.",
                           "A file already exists at " + e.path().string() + ".");
    return exportError(ExportErrorCode::writeFailed,
                       "The movie couldn't be written to " + target.string() + ": " +
                           describeFileErrno(e.code()) + ".",
                       fileErrnoCode(e.code()));
}

// An FFmpeg failure while writing: a file-system cause (a full disk, a vanished folder) is said in
// words; the writer's own text names the destination, not the hidden temporary.
MediaError writeFailure(MediaError error, const std::filesystem::path& temporary,
                        const std::filesystem::path& target)
{
    const std::string hidden = temporary.string();
    for (std::size_t at; (at = error.description.find(hidden)) != std::string::npos;)
        error.description.replace(at, hidden.size(), target.string());
    std::string description = "The movie couldn't be written.";
    if (error.domain == "FFmpeg" && error.code < 0 && error.code > -4096)
        description = "The movie couldn't be written to " + target.string() + ": " +
                      describeFileErrno(-error.code) + ".";
    return exportError(ExportErrorCode::writeFailed, std::move(description), std::nullopt,
                       std::move(error));
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
        EncoderFramePool* frames = &encoderFrames;
        inFlight.push_back(QtConcurrent::run(&pool, [drawer, t, instruction, frames,
                                                     sources = std::move(decoded.sources)] {
            return renderFrame(*drawer, t, instruction, sources, *frames);
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

void ExportSession::setNameClash(NameClash clash) { nameClash_ = clash; }

std::filesystem::path ExportSession::publishedURL() const
{
    std::lock_guard lock(errorMutex_);
    return publishedURL_;
}

// Refusals that need not wait for the whole export; publishing checks the name again, atomically.
std::optional<MediaError> ExportSession::checkOutputLocation() const
{
    auto refuse = [](ExportErrorCode code, std::string reason) {
        return exportError(code, "The export file couldn't be created.", std::move(reason));
    };
    if (outputURL_.empty())
        return refuse(ExportErrorCode::fileExists, "No output location was given.");
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(outputURL_, ec);
    if (std::filesystem::is_directory(std::filesystem::status(outputURL_, ec)))
        return refuse(ExportErrorCode::fileExists,
                      outputURL_.string() + " is a folder; give the name of the movie to write.");
    if (std::filesystem::exists(status) && nameClash_ == NameClash::fail)
        return refuse(ExportErrorCode::fileExists,
                      "A file already exists at " + outputURL_.string() + ".");
    return std::nullopt;
}

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
    if (auto refusal = checkOutputLocation()) {
        finishWith(ExportStatus::failed, refusal);
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
    std::optional<AtomicFile> file;
    try {
        file.emplace(outputURL_, nameClash_);
        MovieWriterSettings settings;
        settings.outputPath = file->temporaryPath();
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
        failure = renderAndWrite(state);
        if (!failure && !cancelRequested_) {
            state.writeAudioUntil(state.frameCount * state.frameDuration);
            state.writer->finish();
        }
    } catch (const FileError& e) {
        failure = fileFailure(e, outputURL_);
    } catch (const MediaException& e) {
        failure = writeFailure(e.error(), file ? file->temporaryPath() : outputURL_, outputURL_);
    } catch (const std::exception& e) {
        failure = exportError(ExportErrorCode::writeFailed, "The movie couldn't be written.",
                              e.what());
    }
    state.writer.reset(); // closes the file before it is published or removed
    if (!failure && !cancelRequested_) {
        try {
            std::filesystem::path published = file->publish();
            std::lock_guard lock(errorMutex_);
            publishedURL_ = std::move(published);
        } catch (const FileError& e) {
            failure = fileFailure(e, outputURL_);
        }
    }
    if (failure || cancelRequested_) {
        file.reset(); // removes the temporary
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
