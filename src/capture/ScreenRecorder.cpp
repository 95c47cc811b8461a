#include "capture/ScreenRecorder.h"

#include <QMetaObject>
#include <QPointer>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "capture/CaptureClock.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/OutputFiles.h"
#include "capture/RecordedSound.h"
#include "capture/PropertyValues.h"
#include "capture/portal/CursorFeed.h"
#include "capture/pulse/PulseAudio.h"
#include "media/EncoderFrames.h"

namespace tarnix {

namespace {

constexpr std::size_t kFrameQueueDepth = 8;
constexpr int kMaximumCatchUpFrames = 3; // a grab later than this many frames skips the lost slots
constexpr int kSystemAudioRate = 44100;
constexpr int kSystemAudioChannels = 2;

using media::describe;

// Processor time of the calling thread, for the capture's cost per stage.
std::int64_t threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Lowers the calling thread's priority by `steps` nice steps (raising it back needs privileges).
void lowerThreadPriority(int steps)
{
    if (steps <= 0)
        return;
    const pid_t self = gettid();
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, id_t(self));
    if (errno == 0)
        setpriority(PRIO_PROCESS, id_t(self), std::min(current + steps, 19));
}

// Opens the movie writer on a thread of its own, `niceness` steps below the caller: the threads
// the encoder starts while it opens inherit that priority.
std::unique_ptr<media::MovieWriter> openWriter(const media::MovieWriterSettings& settings, int niceness)
{
    if (niceness <= 0)
        return std::make_unique<media::MovieWriter>(settings);
    std::unique_ptr<media::MovieWriter> writer;
    std::exception_ptr failure;
    std::thread([&] {
        lowerThreadPriority(niceness);
        try {
            writer = std::make_unique<media::MovieWriter>(settings);
        } catch (...) {
            failure = std::current_exception();
        }
    }).join();
    if (failure)
        std::rethrow_exception(failure);
    return writer;
}

// Sleeps until `deadline` (CaptureClock seconds): a deadline, unlike a duration, is not pushed
// back by a preemption between reading the clock and going to sleep.
void sleepUntil(double deadline)
{
    timespec at{};
    at.tv_sec = time_t(std::floor(deadline));
    at.tv_nsec = long((deadline - std::floor(deadline)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

// Where a picture goes in the movie's frame: all of it when the sizes match, else scaled with its
// aspect kept and centred, on even pixels for the 4:2:0 chroma.
QRect fittedArea(QSize picture, QSize frame)
{
    if (picture == frame)
        return QRect(QPoint(0, 0), frame);
    const Rect fit = aspectFitRect({double(picture.width()), double(picture.height())},
                                   {double(frame.width()), double(frame.height())});
    const auto even = [](double v) { return int(std::lround(v / 2)) * 2; };
    const int width = std::clamp(even(fit.width * frame.width()), 2, frame.width() & ~1);
    const int height = std::clamp(even(fit.height * frame.height()), 2, frame.height() & ~1);
    return {((frame.width() - width) / 2) & ~1, ((frame.height() - height) / 2) & ~1, width, height};
}

// The followed window's places on the movie's time line; each place is kept only where it changed.
std::vector<FollowedFrame> onMovieTimeLine(const std::vector<std::pair<double, QRect>>& areas,
                                          std::optional<double> firstFrameTime)
{
    std::vector<FollowedFrame> frames;
    if (!firstFrameTime)
        return frames;
    frames.reserve(areas.size());
    for (const auto& [time, area] : areas)
        frames.push_back({time - *firstFrameTime, area});
    return frames;
}

} // namespace

// One grab converted for the encoder.
struct QueuedFrame {
    std::shared_ptr<AVFrame> planes;
    double time = 0; // recorded time of the grab (CapturePauses)
};

struct ScreenRecorder::Run {
    std::unique_ptr<FrameSource> grabber;
    std::unique_ptr<media::MovieWriter> writer;
    std::unique_ptr<pulse::Stream> audioStream;
    std::shared_ptr<const CapturePauses> pauses;
    double frameInterval = 1.0 / 60;
    // A display (or an application on it) whose size may change under RandR; its pictures are
    // then scaled to fit the movie's frame like a resized window's, and each change is reported.
    bool followsDisplay = false;
    QSize pictureSize; // the source's size, which the movie's frame was made for

    std::mutex mutex; // guards the two queues and stopWriter
    std::condition_variable wake;
    std::deque<QueuedFrame> frames; // waiting for the encoder
    std::deque<pulse::AudioBlock> audio;
    bool stopWriter = false;

    std::atomic<bool> stopCapture{false};
    // Written by the capture thread, read anywhere.
    std::atomic<std::int64_t> grabbed{0};
    std::atomic<std::int64_t> encoderBehind{0};
    std::atomic<std::int64_t> encoderBehindAtStart{0};
    std::atomic<std::int64_t> unreadable{0};
    std::atomic<std::int64_t> lateSlots{0};
    std::atomic<std::int64_t> grabNanoseconds{0};
    std::atomic<std::int64_t> conversionNanoseconds{0};
    std::atomic<std::int64_t> droppedAudio{0};
    std::thread captureThread;
    std::thread writerThread;

    // Capture thread only (read after joining it): where a followed window or display was,
    // recorded times.
    std::vector<std::pair<double, QRect>> areas;

    // Writer thread only (read by the finisher after joining it).
    std::optional<double> firstFrameTime;
    double lastFrameTime = 0; // recorded time, as every time the writer sees
    int written = 0;
    std::optional<std::string> writerError;
    bool audioWritten = false;

    CaptureStatistics statistics() const
    {
        return {grabbed, encoderBehind, encoderBehindAtStart, unreadable, lateSlots,
                grabNanoseconds * 1e-9, conversionNanoseconds * 1e-9};
    }

    // Stops grabbing and sound, lets the writer drain its queue, and joins both threads.
    void stopThreads()
    {
        stopCapture = true;
        if (captureThread.joinable())
            captureThread.join();
        audioStream.reset();
        {
            std::lock_guard lock(mutex);
            stopWriter = true;
        }
        wake.notify_all();
        if (writerThread.joinable())
            writerThread.join();
    }
};

ScreenRecorder::ScreenRecorder(QObject* parent)
    : QObject(parent)
    , opener_(frameSourceOpener(std::make_shared<portal::CursorFeed>()))
{
}

ScreenRecorder::~ScreenRecorder()
{
    joinFinisher();
    if (run_) {
        // Stop the threads; the fragmented file stays playable.
        auto run = std::move(run_);
        run->stopThreads();
        try {
            if (!run->writerError)
                run->writer->finish();
        } catch (const std::exception&) {
        }
    }
}

CaptureStatistics ScreenRecorder::captureStatistics() const
{
    return run_ ? run_->statistics() : lastStatistics_;
}

std::int64_t ScreenRecorder::droppedAudioBlockCount() const
{
    return run_ ? run_->droppedAudio.load() : lastDroppedAudio_;
}

std::optional<std::string> ScreenRecorder::stopMessage(const std::optional<std::string>& finishFailure,
                                                       int appendedFrames)
{
    if (finishFailure)
        return CaptureMessages::exportFailed(*finishFailure);
    if (appendedFrames == 0)
        return CaptureMessages::text(CaptureMessages::kNoFramesCaptured);
    return std::nullopt;
}

QString ScreenRecorder::lastOutputURLString() const
{
    return lastOutputURL_ ? QString::fromStdString(lastOutputURL_->string()) : QString();
}

QString ScreenRecorder::errorMessageString() const
{
    return optionalText(errorMessage_);
}

void ScreenRecorder::setRecording(bool value)
{
    if (assignIfChanged(isRecording_, value))
        emit isRecordingChanged(value);
}

void ScreenRecorder::refuseStart(const std::string& why)
{
    setErrorMessage(CaptureMessages::failedToStart(why));
}

void ScreenRecorder::setErrorMessage(std::optional<std::string> message)
{
    if (assignIfChanged(errorMessage_, std::move(message)))
        emit errorMessageChanged();
}

void ScreenRecorder::setLastOutputURL(std::optional<std::filesystem::path> url)
{
    if (assignIfChanged(lastOutputURL_, std::move(url)))
        emit lastOutputURLChanged();
}

void ScreenRecorder::setAppendedFrameCount(int value)
{
    if (assignIfChanged(appendedFrameCount_, value))
        emit appendedFrameCountChanged(value);
}

void ScreenRecorder::joinFinisher()
{
    if (finisher_.joinable())
        finisher_.join();
}

void ScreenRecorder::start(const CaptureSource& source, const std::vector<WindowInfo>& excludingOwnWindows,
                           bool capturesSystemAudio, std::function<void()> done)
{
    if (isRecording_ || stopping_ || opening_) {
        if (done)
            done();
        return;
    }
    joinFinisher();
    run_.reset();
    setErrorMessage(std::nullopt);
    setAppendedFrameCount(0);
    capturedSystemAudio_ = false;
    firstFrameWallClockDate_.reset();
    lastStatistics_ = {};
    lastDroppedAudio_ = 0;
    notices_.clear();
    if (!systemAudioGaps_.empty()) {
        systemAudioGaps_.clear();
        emit soundGapsChanged();
    }
    if (!displayChanges_.empty()) {
        displayChanges_.clear();
        emit displayChangesChanged();
    }
    followedFrames_.clear();
    liveAreas_.clear();
    liveFirstFrameTime_.reset();

    // A display recording never shows our own windows; the other kinds ignore the list.
    opening_ = true;
    QPointer<ScreenRecorder> self(this);
    opener_(source, excludingOwnWindows, [self, source, capturesSystemAudio, done](OpenedFrameSource opened) {
        if (!self)
            return;
        self->opening_ = false;
        self->beginRun(std::move(opened), source, capturesSystemAudio, done);
    });
}

void ScreenRecorder::beginRun(OpenedFrameSource opened, const CaptureSource& chosen,
                              bool capturesSystemAudio, std::function<void()> done)
{
    if (opened.error || !opened.source) {
        setErrorMessage(CaptureMessages::failedToStart(
            opened.error.value_or(CaptureMessages::text(CaptureMessages::kUnknownError))));
        if (done)
            done();
        return;
    }
    const CaptureSource source = opened.recorded.value_or(chosen);
    auto run = std::make_shared<Run>();
    run->frameInterval = 1.0 / std::max(1.0, options_.maximumFrameRate);
    run->grabber = std::move(opened.source);
    run->pauses = pauses_;
    run->followsDisplay = source.kind() != CaptureSource::Kind::window;
    run->pictureSize = source.pixelSize();
    std::filesystem::path path;
    try {
        path = OutputFiles::reserveOutputPath(options_.outputDirectory, OutputFiles::kScreenPrefix,
                                              Date::now(), ".mp4");
        media::MovieWriterSettings settings;
        settings.outputPath = path;
        settings.layout = media::MovieLayout::fragmented;
        media::MovieVideoSettings video;
        const QSize size = source.pixelSize();
        video.width = size.width();
        video.height = size.height();
        video.frameRate = std::max(1.0, options_.maximumFrameRate);
        video.encoders = options_.encoders;
        video.preset = options_.preset;
        video.quality = options_.quality;
        // Converted straight into the encoder's own layout, so that x264 only copies each picture.
        video.inputFormat = AV_PIX_FMT_NV12;
        settings.video = video;
        if (capturesSystemAudio)
            settings.audio = media::MovieAudioSettings{kSystemAudioRate, kSystemAudioChannels, 128000};
        run->writer = openWriter(settings, options_.encoderNiceness);
        encoderName_ = run->writer->videoEncoderName();
        movieSize_ = run->writer->videoSize();
        if (capturesSystemAudio) {
            Run* raw = run.get();
            const std::size_t queueLimit = options_.systemAudioQueueBlocks;
            std::weak_ptr<Run> weak = run;
            pulse::Stream::Handlers handlers;
            handlers.onBlock = [raw, queueLimit](pulse::AudioBlock&& block) {
                std::lock_guard lock(raw->mutex);
                // A full queue means the writer is behind: the block is not kept, and the next
                // one still carries its own time, so the writer leaves a silent gap.
                if (raw->audio.size() < queueLimit)
                    raw->audio.push_back(std::move(block));
                else
                    ++raw->droppedAudio;
                raw->wake.notify_one();
            };
            // The sound server went away or came back: the stream reconnects by itself and the
            // writer fills the gap with silence; only the user needs telling.
            const auto pauses = pauses_;
            handlers.onLost = [this, weak, pauses](const std::string& reason, double lostAt) {
                const double time = pauses->recordedTimeUpTo(lostAt);
                QMetaObject::invokeMethod(this, [this, weak, reason, time] {
                    if (auto run = weak.lock(); run && run == run_)
                        addSystemAudioGap({time, std::nullopt, reason});
                }, Qt::QueuedConnection);
            };
            handlers.onRestored = [this, weak, pauses](double restoredAt) {
                const double time = pauses->recordedTimeUpTo(restoredAt);
                QMetaObject::invokeMethod(this, [this, weak, time] {
                    if (auto run = weak.lock(); run && run == run_)
                        closeSystemAudioGap(time);
                }, Qt::QueuedConnection);
            };
            run->audioStream = std::make_unique<pulse::Stream>(std::string(pulse::kDefaultSinkMonitor),
                                                               kSystemAudioRate, kSystemAudioChannels,
                                                               std::move(handlers));
        }
    } catch (const std::exception& error) {
        std::string description = describe(error);
        if (dynamic_cast<const pulse::PulseError*>(&error))
            description = "no system audio: " + description;
        run.reset();
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove(path, ignored); // our own reservation
        setErrorMessage(CaptureMessages::failedToStart(description));
        if (done)
            done();
        return;
    }
    recordedSource_ = source;
    notices_ = std::move(opened.notices);

    Run* raw = run.get();
    std::weak_ptr<Run> weak = run;
    run->writerThread = std::thread([this, raw, weak, niceness = options_.encoderNiceness] {
        lowerThreadPriority(niceness);
        for (;;) {
            std::deque<pulse::AudioBlock> audio;
            std::optional<QueuedFrame> frame;
            {
                std::unique_lock lock(raw->mutex);
                raw->wake.wait(lock, [raw] { return raw->stopWriter || !raw->frames.empty() || !raw->audio.empty(); });
                if (raw->frames.empty() && raw->audio.empty() && raw->stopWriter) {
                    lock.unlock();
                    padSystemAudio(*raw);
                    return;
                }
                audio.swap(raw->audio);
                if (!raw->frames.empty()) {
                    frame = std::move(raw->frames.front());
                    raw->frames.pop_front();
                }
            }
            if (raw->writerError)
                continue; // a failed writer takes nothing more; the queue keeps draining
            try {
                if (raw->firstFrameTime && raw->writer->hasAudio()) {
                    for (auto& block : audio)
                        writeRecordedSound(*raw->writer, *raw->pauses, block, kSystemAudioRate, *raw->firstFrameTime);
                    if (!audio.empty() && !raw->audioWritten) {
                        raw->audioWritten = true;
                        QMetaObject::invokeMethod(this, [this, weak] {
                            if (auto run = weak.lock())
                                onAudioWritten(run);
                        }, Qt::QueuedConnection);
                    }
                }
                if (frame) {
                    const bool first = !raw->firstFrameTime;
                    if (first)
                        raw->firstFrameTime = frame->time;
                    raw->lastFrameTime = frame->time;
                    if (raw->writer->writeVideoYUV420(*frame->planes, frame->time - *raw->firstFrameTime))
                        ++raw->written;
                    std::optional<double> firstTime = first ? raw->firstFrameTime : std::nullopt;
                    const int count = raw->written;
                    QMetaObject::invokeMethod(this, [this, weak, count, firstTime] {
                        if (auto run = weak.lock())
                            onFrameWritten(run, count, firstTime);
                    }, Qt::QueuedConnection);
                }
            } catch (const std::exception& error) {
                const std::string message = raw->written == 0
                    ? CaptureMessages::writerFailedToStart(describe(error))
                    : CaptureMessages::writerFailed(describe(error));
                raw->writerError = describe(error);
                QMetaObject::invokeMethod(this, [this, weak, message] {
                    if (auto run = weak.lock())
                        onWriterError(run, message);
                }, Qt::QueuedConnection);
            }
        }
    });
    run->captureThread = std::thread([this, raw, weak] {
        auto onFailure = [this, weak](const std::string& description, bool byDesktop) {
            QMetaObject::invokeMethod(this, [this, weak, description, byDesktop] {
                if (auto run = weak.lock())
                    onStreamFailed(run, description, byDesktop);
            }, Qt::QueuedConnection);
        };
        auto onResize = [this, weak](double time, QSize size, QRect area) {
            QMetaObject::invokeMethod(this, [this, weak, time, size, area] {
                if (auto run = weak.lock(); run && run == run_) {
                    displayChanges_.push_back({time, size, area});
                    emit displayChangesChanged();
                }
            }, Qt::QueuedConnection);
        };
        auto onMoved = [this, weak](double time, QRect area) {
            QMetaObject::invokeMethod(this, [this, weak, time, area] {
                if (auto run = weak.lock())
                    onAreaMoved(run, time, area);
            }, Qt::QueuedConnection);
        };
        captureLoop(raw, onFailure, onResize, onMoved);
    });
    run_ = std::move(run);
    setLastOutputURL(path);
    setRecording(true);
    if (done)
        done();
}

void ScreenRecorder::padSystemAudio(Run& run)
{
    // The sound lasts as long as the picture, whether it stopped early (a sound server that
    // never came back) or the last blocks were still on their way.
    if (run.writerError || !run.firstFrameTime || !run.writer->hasAudio())
        return;
    try {
        run.writer->padAudio(run.lastFrameTime - *run.firstFrameTime + run.frameInterval);
    } catch (const std::exception& error) {
        run.writerError = describe(error);
    }
}

void ScreenRecorder::addSystemAudioGap(SoundGap gap)
{
    systemAudioGaps_.push_back(std::move(gap));
    emit soundGapsChanged();
}

void ScreenRecorder::closeSystemAudioGap(double time)
{
    if (systemAudioGaps_.empty() || systemAudioGaps_.back().to)
        return;
    systemAudioGaps_.back().to = time;
    emit soundGapsChanged();
}

void ScreenRecorder::captureLoop(Run* run, const std::function<void(const std::string&, bool)>& onFailure,
                                 const std::function<void(double, QSize, QRect)>& onResize,
                                 const std::function<void(double, QRect)>& onMoved)
{
    // Straight from the shared memory; libswscale only when the picture must be scaled (a window
    // that changed size, a display whose size changed, or an odd size).
    media::EncoderFramePool frames(run->writer->videoSize(), run->writer->videoInputFormat());
    media::EncoderFrameConverter converter(SWS_FAST_BILINEAR);
    // The movie's frame was made for the source's size: a picture of another size is scaled
    // into it, and a display's new size is reported.
    QSize pictureSize = run->pictureSize;
    QRect pictureArea = fittedArea(pictureSize, frames.size());
    std::optional<double> firstGrab; // recorded time
    double next = CaptureClock::now();
    while (!run->stopCapture) {
        sleepUntil(next);
        if (run->stopCapture)
            break;
        // Nothing is grabbed while paused; the grid goes on, so the first grab after a resume
        // comes on time.
        const std::optional<double> recorded = run->pauses->recordedTime(CaptureClock::now());
        QImage image;
        const std::int64_t grabStart = threadCpuNanoseconds();
        try {
            if (recorded)
                image = run->grabber->grab();
        } catch (const SharingEndedError& ended) {
            onFailure(ended.what(), true);
            break;
        } catch (const std::exception& error) {
            onFailure(error.what(), false);
            break;
        }
        const std::int64_t grabEnd = threadCpuNanoseconds();
        run->grabNanoseconds += grabEnd - grabStart;
        if (recorded && image.isNull() && run->grabber->lastGrabMissed())
            ++run->unreadable; // the picture is there but couldn't be read: this slot is lost
        if (!image.isNull()) {
            ++run->grabbed;
            const double time = *recorded;
            if (!firstGrab)
                firstGrab = time;
            const auto area = run->grabber->followedArea();
            if (area && (run->areas.empty() || run->areas.back().second != *area)) {
                run->areas.emplace_back(time, *area);
                onMoved(time, *area);
            }
            if (image.size() != pictureSize) {
                pictureSize = image.size();
                pictureArea = fittedArea(pictureSize, frames.size());
                if (run->followsDisplay)
                    onResize(time, pictureSize, area.value_or(QRect()));
            }
            bool queueFull = false;
            {
                std::lock_guard lock(run->mutex);
                queueFull = run->frames.size() >= kFrameQueueDepth;
            }
            // A full queue means the encoder is behind: this frame is not kept.
            std::shared_ptr<AVFrame> planes = queueFull ? nullptr : frames.frame();
            const bool converted = planes && converter.convertInto(image, *planes, pictureArea);
            run->conversionNanoseconds += threadCpuNanoseconds() - grabEnd;
            if (!converted) {
                ++run->encoderBehind;
                if (time - *firstGrab < 1)
                    ++run->encoderBehindAtStart;
            } else {
                QueuedFrame frame{std::move(planes), time};
                std::lock_guard lock(run->mutex);
                run->frames.push_back(std::move(frame));
                run->wake.notify_one();
            }
        }
        // Stay on the frame grid: a grab that came late is followed at once by the next one, so
        // a short hiccup costs no frame; after a real stall, skip the slots that are gone.
        next += run->frameInterval;
        const double now = CaptureClock::now();
        const double lag = now - next;
        if (lag > kMaximumCatchUpFrames * run->frameInterval) {
            // Slots inside a pause had no frame to lose: only the recorded part of the stall counts.
            const double recordedLag = run->pauses->recordedTimeUpTo(now) - run->pauses->recordedTimeUpTo(next);
            if (recordedLag > 0)
                run->lateSlots += std::int64_t(std::ceil(recordedLag / run->frameInterval));
            next += std::ceil(lag / run->frameInterval) * run->frameInterval;
        }
    }
}

void ScreenRecorder::onFrameWritten(const std::shared_ptr<Run>& run, int count,
                                    std::optional<double> firstFrameTime)
{
    if (run != run_)
        return;
    if (firstFrameTime) {
        firstFrameWallClockDate_ = CaptureClock::dateOf(*firstFrameTime);
        liveFirstFrameTime_ = firstFrameTime;
        followedFrames_ = onMovieTimeLine(liveAreas_, liveFirstFrameTime_);
    }
    if (count > appendedFrameCount_)
        setAppendedFrameCount(count);
}

void ScreenRecorder::onAudioWritten(const std::shared_ptr<Run>& run)
{
    if (run == run_)
        capturedSystemAudio_ = true;
}

void ScreenRecorder::onAreaMoved(const std::shared_ptr<Run>& run, double time, QRect area)
{
    if (run != run_ || !isRecording_)
        return;
    liveAreas_.emplace_back(time, area);
    if (liveFirstFrameTime_)
        followedFrames_.push_back({time - *liveFirstFrameTime_, area});
}

void ScreenRecorder::onWriterError(const std::shared_ptr<Run>& run, const std::string& message)
{
    if (run != run_)
        return;
    setErrorMessage(message);
    if (!isRecording_ || stopping_)
        return;
    // Nothing more reaches the movie (a full disk...): the recording ends here, as if stopped, and
    // the fragments written so far stay playable.
    setRecording(false);
    finishRun(run_, [this](const std::optional<std::string>&) { emit stoppedByItself(); });
}

void ScreenRecorder::onStreamFailed(const std::shared_ptr<Run>& run, const std::string& description, bool byDesktop)
{
    if (run != run_ || !isRecording_ || stopping_)
        return;
    if (byDesktop) {
        // The desktop's own stop: the recording ends as if Stop had been pressed, with a line
        // saying who stopped it rather than an error.
        notices_.push_back(CaptureMessages::text(CaptureMessages::kDesktopEndedSharing));
        setRecording(false);
        finishRun(run_, [this](std::optional<std::string> failure) {
            if (auto message = stopMessage(failure, appendedFrameCount_))
                setErrorMessage(std::move(message));
            emit stoppedByItself();
        });
        return;
    }
    setErrorMessage(CaptureMessages::captureStopped(description));
    setRecording(false);
    // The capture has ended by itself; finish the file in the background so that it is complete.
    finishRun(run_, [this](const std::optional<std::string>&) { emit stoppedByItself(); });
}

void ScreenRecorder::finishRun(std::shared_ptr<Run> run,
                               std::function<void(std::optional<std::string>)> done)
{
    joinFinisher();
    std::weak_ptr<Run> weak = run;
    finisher_ = std::thread([this, run, weak, done] {
        run->stopThreads();
        std::optional<std::string> failure = run->writerError;
        if (!failure) {
            try {
                run->writer->finish();
            } catch (const std::exception& error) {
                failure = describe(error);
            }
        }
        const int written = run->written;
        const auto firstTime = run->firstFrameTime;
        const bool audio = run->audioWritten;
        auto followed = onMovieTimeLine(run->areas, firstTime);
        QMetaObject::invokeMethod(this, [this, weak, done, failure, written, firstTime, audio,
                                         followed = std::move(followed)] {
            auto run = weak.lock();
            if (!run || run != run_)
                return;
            setAppendedFrameCount(written);
            if (firstTime)
                firstFrameWallClockDate_ = CaptureClock::dateOf(*firstTime);
            capturedSystemAudio_ = audio;
            followedFrames_ = followed;
            lastStatistics_ = run->statistics();
            lastDroppedAudio_ = run->droppedAudio;
            if (done)
                done(failure);
        }, Qt::QueuedConnection);
    });
}

void ScreenRecorder::stop(std::function<void()> done)
{
    if (!isRecording_ || stopping_) {
        if (done)
            done();
        return;
    }
    stopping_ = true;
    finishRun(run_, [this, done](std::optional<std::string> failure) {
        stopping_ = false;
        setRecording(false);
        if (auto message = stopMessage(failure, appendedFrameCount_))
            setErrorMessage(std::move(message));
        lastStatistics_ = run_->statistics();
        lastDroppedAudio_ = run_->droppedAudio;
        run_.reset();
        if (done)
            done();
    });
}

} // namespace tarnix
