#include "media/PreviewPlayer.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

#include "media/PreviewAudioOutput.h"
#include "media/PreviewFrameSource.h"

namespace tarnix::media {

namespace {

// Frames composed ahead of the playhead: about a quarter of a second while playing, which rides
// out a slow frame; while paused only the frame under the playhead, so that a seek or a scrub
// shares the cores with nothing else until its frame is on screen. A step forward or Play still
// starts at once: the decoder reads the next frame anyway to know where the shown one ends.
constexpr int kAheadPlaying = 8;
constexpr int kAheadPaused = 1;
constexpr int kTimeIntervalMs = 1000 / 30;
// An audio device whose position has not moved for this long has stalled: the picture goes on
// with a steady clock, without sound, rather than freezing.
constexpr double kAudioStallSeconds = 2.0;

int compositingThreadCount()
{
    return std::clamp(QThread::idealThreadCount(), 2, 4);
}

} // namespace

struct PreviewPlayer::Impl {
    explicit Impl(PreviewPlayer& owner)
        : q(owner)
        , source(compositingThreadCount(), [this] { postFrameReady(); })
    {
        source.setFillsBehind(true);
    }

    PreviewPlayer& q;
    std::atomic<bool> readyPosted{false}; // before `source`, whose workers use it until joined
    std::shared_ptr<const Composition> composition;
    QSize renderSize;
    double frameDuration = 1.0 / 30;
    double duration = 0;
    int frameCount = 0;
    PreviewFrameSource source;
    PreviewAudioOutput audio;
    bool audioEnabled = true;
    QSize displaySize;

    // Transport. `playing` is the state the user sees; the clock runs only once the frame it
    // starts from is on screen (after a seek or a swap while playing it waits for that frame).
    bool playing = false;
    bool clockRunning = false;
    bool audioClock = false;
    double clockOrigin = 0; // composition time at which the steady clock started
    QElapsedTimer steady;
    double pausedTime = 0;  // the playhead while the clock is not running

    QImage frame;
    int shownIndex = -1;
    bool shownIsCurrent = false; // the frame on screen comes from the current composition
    bool shownIsProxy = false;   // a seek's stand-in from the scrub proxy
    int wantedIndex = -1;        // a frame the player waits for (a seek's, a swap's, a start's)
    bool seekPending = false;
    double seekTarget = 0;
    int lateIndex = -1;          // the frame that was not ready when it fell due

    QTimer presentTimer;
    QTimer timeTimer;
    Statistics statistics;
    double offsetSum = 0;
    int offsetCount = 0;
    long long audioFramesBefore = 0; // taken by audio outputs already stopped

    int indexAt(double t) const
    {
        if (frameCount <= 0)
            return -1;
        return std::clamp(int(std::floor(t / frameDuration + 1e-6)), 0, frameCount - 1);
    }

    double clockTime() const
    {
        if (!clockRunning)
            return pausedTime;
        double t = audioClock ? audio.position() : clockOrigin + steady.nsecsElapsed() / 1e9;
        return std::clamp(t, 0.0, duration);
    }

    // While paused the decoder fills in the stretch behind the playhead when it has nothing else
    // to do; while playing its time goes to the frames ahead.
    void setPlaying(bool on)
    {
        playing = on;
        source.setFillsBehind(!on);
    }

    void postFrameReady()
    {
        if (readyPosted.exchange(true))
            return;
        QMetaObject::invokeMethod(&q, [this] {
            readyPosted = false;
            frameReady();
        }, Qt::QueuedConnection);
    }

    void frameReady()
    {
        if (wantedIndex >= 0)
            showWanted();
        else if (clockRunning)
            present();
    }

    void show(PreviewFrameSource::Frame& f)
    {
        frame = std::move(f.image);
        shownIndex = f.index;
        shownIsCurrent = !f.provisional;
        shownIsProxy = f.provisional;
        emit q.frameChanged(frame, f.index * frameDuration);
    }

    void fail(const MediaError& error)
    {
        stopClock();
        wantedIndex = -1;
        seekPending = false;
        if (playing) {
            setPlaying(false);
            emit q.playingChanged(false);
        }
        emit q.failed(QString::fromStdString(error.description));
    }

    // Waits for wantedIndex; once it is on screen finishes the seek and starts the clock of a
    // pending play.
    void showWanted()
    {
        if (wantedIndex < 0)
            return;
        std::optional<PreviewFrameSource::Frame> f = source.take(wantedIndex);
        if (f && f->error)
            return fail(*f->error);
        if (!f && !(shownIndex == wantedIndex && shownIsCurrent)) {
            // Until the frame is there, its stand-in from the proxy shows where the seek went.
            if (std::optional<PreviewFrameSource::Frame> standIn = source.takeProvisional(wantedIndex))
                show(*standIn);
            return;
        }
        wantedIndex = -1;
        bool seekDone = std::exchange(seekPending, false);
        double target = seekTarget;
        if (f)
            show(*f);
        if (wantedIndex >= 0)
            return; // a receiver of the frame asked for another one
        if (seekDone)
            emit q.seekFinished(target);
        if (playing && !clockRunning && wantedIndex < 0)
            startClock();
    }

    void want(int index, int ahead)
    {
        wantedIndex = index;
        source.request(index, ahead);
        showWanted();
    }

    void startClock()
    {
        clockRunning = true;
        clockOrigin = pausedTime;
        source.setAhead(kAheadPlaying);
        audioClock = audioEnabled && audio.start(composition, pausedTime);
        steady.start();
        timeTimer.start();
        present();
    }

    void stopClock()
    {
        if (!clockRunning)
            return;
        pausedTime = clockTime();
        clockRunning = false;
        if (audioClock) {
            audioFramesBefore += audio.framesTaken();
            audio.stop();
            audioClock = false;
        }
        presentTimer.stop();
        timeTimer.stop();
    }

    // The picture follows the clock: show the frame due now, then sleep until the next is due.
    void present()
    {
        if (!clockRunning)
            return;
        if (audioClock && audio.stalledFor() > kAudioStallSeconds) {
            clockOrigin = audio.position();
            audioFramesBefore += audio.framesTaken();
            audio.stop();
            audioClock = false;
            steady.start();
        }
        double t = clockTime();
        if (t >= duration)
            return reachEnd();
        int index = indexAt(t);
        if (index != shownIndex || !shownIsCurrent) {
            std::optional<PreviewFrameSource::Frame> f = source.take(index);
            if (f && f->error)
                return fail(*f->error);
            if (f) {
                if (shownIndex >= 0 && index > shownIndex + 1)
                    statistics.framesSkipped += index - shownIndex - 1;
                if (lateIndex == index)
                    ++statistics.framesLate;
                ++statistics.framesShown;
                double offset = t - index * frameDuration;
                statistics.maxAudioOffset = std::max(statistics.maxAudioOffset, std::abs(offset));
                offsetSum += std::abs(offset);
                statistics.meanAudioOffset = offsetSum / ++offsetCount;
                show(*f);
                if (!clockRunning)
                    return; // a receiver of the frame paused or seeked
            } else {
                lateIndex = index; // shown when it arrives, if still due
                source.advanceTo(index);
            }
        }
        double untilNext = (index + 1) * frameDuration - t;
        presentTimer.start(std::max(1, int(std::ceil(untilNext * 1000))));
    }

    void reachEnd()
    {
        stopClock();
        pausedTime = duration;
        setPlaying(false);
        if (shownIndex >= 0 && shownIndex < frameCount - 2)
            statistics.framesSkipped += frameCount - 2 - shownIndex; // before the last frame
        if (shownIndex != frameCount - 1)
            want(frameCount - 1, kAheadPaused);
        emit q.timeChanged(duration);
        emit q.playingChanged(false);
    }

    void load(std::shared_ptr<const Composition> newComposition,
              VideoComposition videoComposition, double at)
    {
        QSize size = videoComposition.renderSize;
        double step = videoComposition.frameDuration();
        try {
            source.setComposition(newComposition, std::move(videoComposition));
        } catch (const MediaException& e) {
            if (playing && !clockRunning && wantedIndex < 0)
                startClock();
            emit q.failed(QString::fromStdString(e.error().description));
            return;
        }
        composition = std::move(newComposition);
        renderSize = size;
        frameDuration = step;
        frameCount = source.frameCount();
        double newDuration = composition->duration();
        pausedTime = std::clamp(at, 0.0, newDuration);
        shownIsCurrent = false;
        if (newDuration != duration) {
            duration = newDuration;
            emit q.durationChanged(duration);
        }
        want(indexAt(pausedTime), playing ? kAheadPlaying : kAheadPaused);
    }
};

PreviewPlayer::PreviewPlayer(QObject* parent)
    : QObject(parent)
    , d_(std::make_unique<Impl>(*this))
{
    d_->presentTimer.setSingleShot(true);
    d_->presentTimer.setTimerType(Qt::PreciseTimer);
    d_->timeTimer.setInterval(kTimeIntervalMs);
    d_->timeTimer.setTimerType(Qt::PreciseTimer);
    connect(&d_->presentTimer, &QTimer::timeout, this, [this] { d_->present(); });
    connect(&d_->timeTimer, &QTimer::timeout, this, [this] { emit timeChanged(currentTime()); });
}

PreviewPlayer::~PreviewPlayer()
{
    d_->stopClock();
}

void PreviewPlayer::setComposition(std::shared_ptr<const Composition> composition,
                                   VideoComposition videoComposition)
{
    pause();
    d_->seekPending = false;
    d_->load(std::move(composition), std::move(videoComposition), 0);
    emit timeChanged(d_->pausedTime);
}

void PreviewPlayer::replaceComposition(std::shared_ptr<const Composition> composition,
                                       VideoComposition videoComposition)
{
    double t = currentTime();
    d_->stopClock();
    d_->load(std::move(composition), std::move(videoComposition), t);
    if (d_->pausedTime != t)
        emit timeChanged(d_->pausedTime); // a shorter composition pulled the playhead back
}

void PreviewPlayer::clear()
{
    pause();
    d_->source.clear();
    d_->composition.reset();
    d_->frame = QImage();
    d_->shownIndex = -1;
    d_->wantedIndex = -1;
    d_->seekPending = false;
    d_->frameCount = 0;
    d_->pausedTime = 0;
    d_->renderSize = QSize();
    if (d_->duration != 0) {
        d_->duration = 0;
        emit durationChanged(0);
    }
    emit timeChanged(0);
}

bool PreviewPlayer::hasComposition() const { return d_->composition != nullptr; }

void PreviewPlayer::play()
{
    if (d_->playing || !d_->composition || d_->duration <= 0)
        return;
    if (d_->pausedTime >= d_->duration)
        seek(0);
    d_->setPlaying(true);
    emit playingChanged(true);
    if (d_->wantedIndex < 0)
        d_->want(d_->indexAt(d_->pausedTime), kAheadPlaying);
}

void PreviewPlayer::pause()
{
    if (!d_->playing)
        return;
    d_->stopClock();
    d_->setPlaying(false);
    d_->source.setAhead(kAheadPaused);
    int index = d_->indexAt(d_->pausedTime);
    if (d_->wantedIndex < 0 && index != d_->shownIndex)
        d_->want(index, kAheadPaused);
    emit timeChanged(d_->pausedTime);
    emit playingChanged(false);
}

bool PreviewPlayer::isPlaying() const { return d_->playing; }

void PreviewPlayer::seek(double seconds)
{
    if (!std::isfinite(seconds))
        seconds = 0;
    d_->stopClock();
    d_->pausedTime = std::clamp(seconds, 0.0, d_->duration);
    emit timeChanged(d_->pausedTime);
    if (!d_->composition)
        return;
    d_->seekPending = true;
    d_->seekTarget = d_->pausedTime;
    d_->want(d_->indexAt(d_->pausedTime), d_->playing ? kAheadPlaying : kAheadPaused);
}

bool PreviewPlayer::isSeeking() const { return d_->seekPending; }
bool PreviewPlayer::isShowingProxy() const { return d_->shownIsProxy; }
void PreviewPlayer::setScrubProxyFolder(std::filesystem::path folder)
{
    d_->source.setScrubProxyFolder(std::move(folder));
}
double PreviewPlayer::currentTime() const { return d_->clockTime(); }
double PreviewPlayer::duration() const { return d_->duration; }
QSize PreviewPlayer::renderSize() const { return d_->renderSize; }
double PreviewPlayer::frameDuration() const { return d_->frameDuration; }
QImage PreviewPlayer::currentFrame() const { return d_->frame; }
void PreviewPlayer::setDisplaySize(QSize size)
{
    if (size == d_->displaySize)
        return;
    d_->displaySize = size;
    d_->source.setOutputSize(size);
    d_->shownIsCurrent = false;
    if (d_->composition && !d_->clockRunning && d_->wantedIndex < 0)
        d_->want(d_->indexAt(d_->pausedTime), d_->playing ? kAheadPlaying : kAheadPaused);
}
void PreviewPlayer::setAudioOutputEnabled(bool enabled) { d_->audioEnabled = enabled; }
bool PreviewPlayer::isAudioClockActive() const { return d_->clockRunning && d_->audioClock; }

PreviewPlayer::Statistics PreviewPlayer::statistics() const
{
    Statistics s = d_->statistics;
    s.audioFramesPlayed = d_->audioFramesBefore + (d_->audioClock ? d_->audio.framesTaken() : 0);
    return s;
}

void PreviewPlayer::resetStatistics()
{
    d_->statistics = {};
    d_->offsetSum = 0;
    d_->offsetCount = 0;
    d_->audioFramesBefore = d_->audioClock ? -d_->audio.framesTaken() : 0;
}

} // namespace tarnix::media
