#include "media/ExportSession.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <deque>
#include <map>
#include <set>

#include "graphics/ParallelFor.h"
#include "media/AudioFilterChain.h"
#include "media/AudioMixer.h"
#include "media/DecodeAhead.h"
#include "media/EncoderFrames.h"
#include "media/ExportSettings.h"
#include "media/FFmpegSupport.h"
#include "media/FrameRequest.h"
#include "media/GifWriter.h"
#include "media/MovieWriter.h"
#include "media/SoundFilters.h"
#include "media/VideoFrameReader.h"

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

MediaError renderError(const MediaError& cause)
{
    if (cause.domain == "Tarnix.Export")
        return cause;
    return exportError(ExportErrorCode::renderFailed, "A frame couldn't be rendered.", std::nullopt,
                       cause);
}

} // namespace

// One composed output frame, prepared on a worker thread for what the export writes (the
// encoder's YUV picture for a movie, the composed picture itself for a GIF), or why it could not
// be made.
struct ExportSession::RenderedFrame {
    std::shared_ptr<AVFrame> yuv;
    QImage picture;
    std::optional<MediaError> error;
};

// The state of one export run, on the export thread.
struct ExportSession::Run {
    ExportSession& session;
    QSize outputSize;
    int frameCount = 0;
    double frameDuration = 0;
    std::unique_ptr<MovieWriter> writer;
    std::unique_ptr<AudioMixer> mixer;
    // Even loudness: the mixed sound through its gain (and limiter), read ahead of what is written.
    std::unique_ptr<AudioFilterChain> loudness;
    std::int64_t audioWritten = 0; // sample frames

    void writeAudioUntil(double time)
    {
        if (!mixer || !mixer->hasAudio())
            return;
        std::int64_t target = std::llround(time * mixer->sampleRate());
        std::int64_t count = target - audioWritten;
        if (count <= 0)
            return;
        double pts = double(audioWritten) / mixer->sampleRate();
        std::vector<float> samples = loudness ? loudness->read(count) : mixer->read(count);
        writer->writeAudio(samples.data(), int(count), pts);
        audioWritten += count;
    }
};

// Frames are decoded in order on a decoding thread, composed on the pool's threads, and written
// in order on the export thread. At most this many frames per worker are being composed and this
// many time steps wait decoded, which bounds memory to a few dozen frames.
static constexpr int kFramesInFlightPerWorker = 3;

namespace {
// The frames handed to the pool, oldest first; waits for all of them when it goes.
template <typename Future>
struct InFlightFrames : std::deque<Future> {
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

namespace {
// Composes straight into an encoder frame when the compositor can; null otherwise.
std::shared_ptr<AVFrame> composeInYuv(YuvCompositing* compositor, EncoderFramePool* frames, double t,
                                      const std::shared_ptr<const VideoCompositionInstruction>& instruction,
                                      const std::map<TrackID, QImage>& sources,
                                      const std::map<TrackID, YuvPicture>& yuvSources)
{
    if (!compositor || !frames || !instruction)
        return nullptr;
    std::shared_ptr<AVFrame> frame = frames->frame();
    if (!frame || !compositor->composeYuv(t, instruction, sources, yuvSources, *frame))
        return nullptr;
    return frame;
}

// Whether frames are drawn straight at the encoder's size. Up to half the render size the
// compositor's bilinear scaling takes every source pixel into account; a smaller output is
// composed at the render size and reduced by libswscale, which averages over its whole footprint.
bool composesAtOutputSize(QSize render, QSize output)
{
    return 2 * output.width() >= render.width() && 2 * output.height() >= render.height();
}

// The tracks any of the composition's instructions takes in 4:2:0.
std::set<TrackID> yuvTracks(const YuvCompositing* compositor, const VideoComposition& composition)
{
    std::set<TrackID> tracks;
    if (compositor)
        for (const auto& instruction : composition.instructions)
            if (instruction)
                for (TrackID id : compositor->yuvSourceTracks(*instruction))
                    tracks.insert(id);
    return tracks;
}
} // namespace

std::optional<MediaError> ExportSession::renderInOrder(Run& state, const FramePreparer& prepare,
                                                       const FrameConsumer& consume,
                                                       EncoderFramePool* yuvFrames)
{
    std::unique_ptr<VideoCompositing> compositor = videoComposition_.customVideoCompositor();
    if (!compositor)
        return exportError(ExportErrorCode::renderFailed, "A frame couldn't be rendered.",
                           "No compositor could be made.");
    compositor->renderContextChanged(
        std::make_shared<FixedRenderContext>(videoComposition_.renderSize));
    // Frames are composed on the process's worker pool, whose threads run the image code's own
    // parallel loops inline: one frame per core, no threads inside threads.
    QThreadPool& pool = graphics::workerPool();
    const int window = std::max(2, pool.maxThreadCount()) * kFramesInFlightPerWorker;
    // The frames go to the encoder in 4:2:0: composed in those planes at the output size when
    // the compositor can, the screen left as the decoder made it.
    YuvCompositing* inYuv = nullptr;
    if (useYuvPath_ && yuvFrames && composesAtOutputSize(videoComposition_.renderSize, yuvFrames->size()))
        inYuv = dynamic_cast<YuvCompositing*>(compositor.get());
    DecodeAhead decoder(composition_, state.frameCount, state.frameDuration, kDecodeAheadDepth,
                        yuvTracks(inYuv, videoComposition_));
    // Declared after the compositor: every frame still being composed is waited for before it
    // goes, whichever way this function leaves.
    InFlightFrames<QFuture<RenderedFrame>> inFlight;
    int consumed = 0;

    auto consumeOldest = [&]() -> std::optional<MediaError> {
        RenderedFrame frame = inFlight.front().result();
        inFlight.pop_front();
        if (frame.error)
            return frame.error;
        if (auto error = consume(frame, consumed))
            return error;
        ++consumed;
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
        inFlight.push_back(QtConcurrent::run(&pool, [drawer, inYuv, yuvFrames, t, instruction, &prepare,
                                                     sources = std::move(decoded.sources),
                                                     yuvSources = std::move(decoded.yuvSources)]() mutable {
            if (auto frame = composeInYuv(inYuv, yuvFrames, t, instruction, sources, yuvSources))
                return RenderedFrame{std::move(frame), QImage(), std::nullopt};
            // This frame needs the BGRA path: its 4:2:0 sources converted as the decoder would.
            for (const auto& [track, picture] : yuvSources)
                sources[track] = toPicture(*picture);
            ComposedFrame composed = composeFrame(*drawer, t, instruction, sources);
            if (composed.error)
                return RenderedFrame{nullptr, QImage(), renderError(*composed.error)};
            return prepare(std::move(composed.image));
        }));
        while (int(inFlight.size()) >= window)
            if (auto error = consumeOldest())
                return error;
    }
    while (!inFlight.empty() && !cancelRequested_)
        if (auto error = consumeOldest())
            return error;
    return std::nullopt;
}

std::string ExportSession::writeFailure() const
{
    return fileType_ == ExportFileType::gif ? "The GIF couldn't be written."
                                            : "The movie couldn't be written.";
}

void ExportSession::reportProgress(double value)
{
    progress_ = value;
    if (progressHandler_)
        progressHandler_(value);
}

std::optional<MediaError> ExportSession::renderAndWrite(Run& state)
{
    EncoderFramePool encoderFrames(state.outputSize);
    auto toYuv = [&encoderFrames](QImage composed) {
        std::shared_ptr<AVFrame> yuv = toEncoderFrame(composed, encoderFrames);
        if (!yuv)
            return RenderedFrame{nullptr, QImage(),
                                 exportError(ExportErrorCode::renderFailed,
                                             "A frame couldn't be rendered.",
                                             "Out of memory for video frames.")};
        return RenderedFrame{std::move(yuv), QImage(), std::nullopt};
    };
    auto write = [&](RenderedFrame& frame, int index) -> std::optional<MediaError> {
        state.writer->writeVideoYUV420(*frame.yuv, index * state.frameDuration);
        state.writeAudioUntil((index + 1) * state.frameDuration);
        reportProgress(double(index + 1) / state.frameCount);
        return std::nullopt;
    };
    return renderInOrder(state, toYuv, write, &encoderFrames);
}

std::optional<MediaError> ExportSession::renderGif(Run& state, const std::filesystem::path& file)
{
    auto keep = [](QImage composed) {
        return RenderedFrame{nullptr, std::move(composed), std::nullopt};
    };
    const QSize renderSize = videoComposition_.renderSize;
    GifPaletteBuilder palette(renderSize, state.outputSize);
    auto gather = [&](RenderedFrame& frame, int index) -> std::optional<MediaError> {
        palette.add(frame.picture);
        reportProgress(0.5 * (index + 1) / state.frameCount);
        return std::nullopt;
    };
    if (auto error = renderInOrder(state, keep, gather); error || cancelRequested_)
        return error;
    ff::FramePtr colours = palette.finish();

    GifWriter writer(file, renderSize, state.outputSize, state.frameDuration, *colours);
    auto write = [&](RenderedFrame& frame, int index) -> std::optional<MediaError> {
        writer.write(frame.picture);
        reportProgress(0.5 + 0.5 * (index + 1) / state.frameCount);
        return std::nullopt;
    };
    if (auto error = renderInOrder(state, keep, write); error || cancelRequested_)
        return error;
    writer.finish();
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

void ExportSession::setOutputFileType(ExportFileType type) { fileType_ = type; }

void ExportSession::setLoudnessTarget(std::optional<double> lufs) { loudnessTarget_ = lufs; }

void ExportSession::setNameClash(NameClash clash) { nameClash_ = clash; }

std::filesystem::path ExportSession::publishedURL() const
{
    std::lock_guard lock(errorMutex_);
    return publishedURL_;
}

// Refusals that need not wait for the whole export; publishing checks the name again, atomically.
std::optional<MediaError> ExportSession::checkOutputLocation() const
{
    auto refuse = [](std::string reason) {
        return exportError(ExportErrorCode::fileExists, "The export file couldn't be created.",
                           std::move(reason));
    };
    if (outputURL_.empty())
        return refuse("No output location was given.");
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::status(outputURL_, ec)))
        return refuse(outputURL_.string() + " is a folder; give the name of the file to write.");
    if (std::filesystem::exists(std::filesystem::symlink_status(outputURL_, ec)) &&
        nameClash_ == NameClash::fail)
        return refuse("A file already exists at " + outputURL_.string() + ".");
    return std::nullopt;
}

// A file error of the output location, in words, with the errno after them.
MediaError ExportSession::fileFailure(const FileError& e) const
{
    if (e.code() == EEXIST)
        return exportError(ExportErrorCode::fileExists, "The export file couldn't be created.",
                           "A file already exists at " + e.path().string() + ".");
    std::string description = writeFailure();
    description.insert(description.size() - 1, " to " + outputURL_.string() + ": " +
                                                   describeFileErrno(e.code()));
    return exportError(ExportErrorCode::writeFailed, std::move(description),
                       fileErrnoCode(e.code()));
}

// An FFmpeg failure while writing: a file-system cause (a full disk, a vanished folder) is said in
// words; the writer's own text names the destination, not the hidden temporary.
MediaError ExportSession::libraryFailure(MediaError error, const std::filesystem::path& temporary) const
{
    const std::string hidden = temporary.string();
    for (std::size_t at; (at = error.description.find(hidden)) != std::string::npos;)
        error.description.replace(at, hidden.size(), outputURL_.string());
    std::string description = writeFailure();
    if (error.domain == "FFmpeg" && error.code < 0 && error.code > -4096)
        description.insert(description.size() - 1, " to " + outputURL_.string() + ": " +
                                                        describeFileErrno(-error.code));
    return exportError(ExportErrorCode::writeFailed, std::move(description), std::nullopt,
                       std::move(error));
}

void ExportSession::setProgressHandler(std::function<void(double)> handler)
{
    progressHandler_ = std::move(handler);
}

QSize ExportSession::outputFrameSize() const
{
    QSize size = exportFrameSize(preset_, videoComposition_);
    return fileType_ == ExportFileType::gif ? gifFrameSize(size) : size;
}

double ExportSession::outputFrameDuration() const
{
    double duration = videoComposition_.frameDuration();
    if (fileType_ == ExportFileType::gif)
        return std::max(duration, 1 / kMaxGifFrameRate);
    return duration;
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

    Run state{*this, outputFrameSize(), 0, outputFrameDuration(), nullptr, nullptr, nullptr, 0};
    VideoComposition timing = videoComposition_;
    timing.frameDurationValue = 1;
    timing.frameDurationTimescale = 1;
    state.frameCount = fileType_ == ExportFileType::mpeg4
                           ? frameCount(composition_->duration(), videoComposition_)
                           : frameCount(composition_->duration() / state.frameDuration, timing);
    std::optional<MediaError> failure;
    std::optional<AtomicFile> file;
    try {
        file.emplace(outputURL_, nameClash_);
        failure = fileType_ == ExportFileType::gif ? renderGif(state, file->temporaryPath())
                                                   : writeMovie(state, file->temporaryPath());
    } catch (const FileError& e) {
        failure = fileFailure(e);
    } catch (const MediaException& e) {
        failure = libraryFailure(e.error(), file ? file->temporaryPath() : outputURL_);
    } catch (const std::exception& e) {
        failure = exportError(ExportErrorCode::writeFailed, writeFailure(), e.what());
    }
    state.writer.reset(); // closes the file before it is published or removed
    if (!failure && !cancelRequested_) {
        try {
            std::filesystem::path published = file->publish();
            std::lock_guard lock(errorMutex_);
            publishedURL_ = std::move(published);
        } catch (const FileError& e) {
            failure = fileFailure(e);
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
    reportProgress(1);
    finishWith(ExportStatus::completed, std::nullopt);
}

// Even loudness, first pass: the whole mix is measured, and the chain that brings it to the target
// is set between the mixer and the writer. A silent mix is left as it is.
std::optional<MediaError> ExportSession::prepareLoudness(Run& state)
{
    if (!loudnessTarget_ || !state.mixer->hasAudio())
        return std::nullopt;
    std::optional<std::string> chain;
    try {
        chain = evenLoudnessChain(*composition_, kExportAudioRate, kExportAudioChannels,
                                  state.frameCount * state.frameDuration, *loudnessTarget_,
                                  [this] { return cancelRequested_.load(); });
    } catch (const MediaException& e) {
        return exportError(ExportErrorCode::decodeFailed,
                           "The recording's sound couldn't be decoded.", std::nullopt, e.error());
    }
    if (!chain)
        return std::nullopt;
    AudioMixer* mixer = state.mixer.get();
    state.loudness = std::make_unique<AudioFilterChain>(*chain, kExportAudioRate,
        kExportAudioChannels, [mixer](float* out, std::int64_t frames) {
            std::vector<float> mixed = mixer->read(frames);
            std::copy(mixed.begin(), mixed.end(), out);
        });
    return std::nullopt;
}

// The MPEG-4 export: audio mixed and written beside the frames.
std::optional<MediaError> ExportSession::writeMovie(Run& state, const std::filesystem::path& file)
{
    try {
        state.mixer = std::make_unique<AudioMixer>(*composition_, kExportAudioRate,
                                                   kExportAudioChannels);
    } catch (const MediaException& e) {
        return exportError(ExportErrorCode::decodeFailed,
                           "The recording's sound couldn't be decoded.", std::nullopt, e.error());
    }
    if (auto failure = prepareLoudness(state))
        return failure;
    MovieWriterSettings settings;
    settings.outputPath = file;
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
        settings.audio =
            MovieAudioSettings{kExportAudioRate, kExportAudioChannels, kExportAudioBitRate};
    state.writer = std::make_unique<MovieWriter>(settings);
    std::optional<MediaError> failure = renderAndWrite(state);
    if (!failure && !cancelRequested_) {
        state.writeAudioUntil(state.frameCount * state.frameDuration);
        state.writer->finish();
    }
    return failure;
}

} // namespace tarnix::media
