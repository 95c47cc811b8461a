#include "media/PreviewPlayer.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "media/CompositionFrameRenderer.h"

namespace tarnix::media {

// A first, synchronous player: frames are composed on the GUI thread when due, on a steady clock.
struct PreviewPlayer::Impl {
    std::unique_ptr<CompositionFrameRenderer> renderer;
    double duration = 0;
    double frameDuration = 1.0 / 30;
    QSize renderSize;
    double time = 0;        // the playhead while paused; the clock's origin while playing
    bool playing = false;
    bool audioEnabled = true;
    QElapsedTimer clock;
    QTimer frameTimer;
    QTimer timeTimer;
    QImage frame;
    Statistics statistics;

    double now() const { return playing ? std::min(duration, time + clock.nsecsElapsed() / 1e9) : time; }
};

PreviewPlayer::PreviewPlayer(QObject* parent)
    : QObject(parent)
    , d_(std::make_unique<Impl>())
{
    d_->frameTimer.setTimerType(Qt::PreciseTimer);
    d_->timeTimer.setTimerType(Qt::PreciseTimer);
    d_->timeTimer.setInterval(1000 / 30);
    connect(&d_->timeTimer, &QTimer::timeout, this, [this] { emit timeChanged(currentTime()); });
    connect(&d_->frameTimer, &QTimer::timeout, this, [this] {
        double t = d_->now();
        if (t >= d_->duration) {
            d_->time = d_->duration;
            pause();
            return;
        }
        if (d_->renderer) {
            try {
                d_->frame = d_->renderer->frameAt(t);
                ++d_->statistics.framesShown;
                emit frameChanged(d_->frame, t);
            } catch (const std::exception& e) {
                pause();
                emit failed(QString::fromStdString(e.what()));
            }
        }
    });
}

PreviewPlayer::~PreviewPlayer() = default;

void PreviewPlayer::setComposition(std::shared_ptr<const Composition> composition,
                                   VideoComposition videoComposition)
{
    pause();
    d_->time = 0;
    replaceComposition(std::move(composition), std::move(videoComposition));
    emit timeChanged(0);
}

void PreviewPlayer::replaceComposition(std::shared_ptr<const Composition> composition,
                                       VideoComposition videoComposition)
{
    double t = currentTime();
    bool wasPlaying = d_->playing;
    if (wasPlaying)
        pause();
    d_->renderer.reset();
    double duration = composition ? composition->duration() : 0;
    d_->frameDuration = videoComposition.frameDuration();
    d_->renderSize = videoComposition.renderSize;
    try {
        d_->renderer = std::make_unique<CompositionFrameRenderer>(std::move(composition),
                                                                  std::move(videoComposition));
    } catch (const std::exception& e) {
        duration = 0;
        emit failed(QString::fromStdString(e.what()));
    }
    if (duration != d_->duration) {
        d_->duration = duration;
        emit durationChanged(duration);
    }
    d_->time = std::clamp(t, 0.0, d_->duration);
    seek(d_->time);
    if (wasPlaying)
        play();
}

void PreviewPlayer::clear()
{
    pause();
    d_->renderer.reset();
    d_->frame = QImage();
    d_->time = 0;
    if (d_->duration != 0) {
        d_->duration = 0;
        emit durationChanged(0);
    }
}

bool PreviewPlayer::hasComposition() const { return d_->renderer != nullptr; }

void PreviewPlayer::play()
{
    if (d_->playing || !d_->renderer || d_->duration <= 0)
        return;
    if (d_->time >= d_->duration)
        seek(0);
    d_->playing = true;
    d_->clock.start();
    d_->frameTimer.start(std::max(1, int(d_->frameDuration * 1000)));
    d_->timeTimer.start();
    emit playingChanged(true);
}

void PreviewPlayer::pause()
{
    if (!d_->playing)
        return;
    d_->time = d_->now();
    d_->playing = false;
    d_->frameTimer.stop();
    d_->timeTimer.stop();
    emit timeChanged(d_->time);
    emit playingChanged(false);
}

bool PreviewPlayer::isPlaying() const { return d_->playing; }

void PreviewPlayer::seek(double seconds)
{
    if (!std::isfinite(seconds))
        seconds = 0;
    d_->time = std::clamp(seconds, 0.0, d_->duration);
    if (d_->playing)
        d_->clock.start();
    emit timeChanged(d_->time);
    if (!d_->renderer)
        return;
    try {
        d_->frame = d_->renderer->frameAt(std::min(d_->time, std::max(0.0, d_->duration - 1e-6)));
        emit frameChanged(d_->frame, d_->time);
        emit seekFinished(d_->time);
    } catch (const std::exception& e) {
        pause();
        emit failed(QString::fromStdString(e.what()));
    }
}

bool PreviewPlayer::isSeeking() const { return false; }
double PreviewPlayer::currentTime() const { return d_->now(); }
double PreviewPlayer::duration() const { return d_->duration; }
QSize PreviewPlayer::renderSize() const { return d_->renderSize; }
double PreviewPlayer::frameDuration() const { return d_->frameDuration; }
QImage PreviewPlayer::currentFrame() const { return d_->frame; }
void PreviewPlayer::setAudioOutputEnabled(bool enabled) { d_->audioEnabled = enabled; }
bool PreviewPlayer::isAudioClockActive() const { return false; }
PreviewPlayer::Statistics PreviewPlayer::statistics() const { return d_->statistics; }
void PreviewPlayer::resetStatistics() { d_->statistics = {}; }

} // namespace tarnix::media
