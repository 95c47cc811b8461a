#include "studio/StudioPlayback.h"

#include <algorithm>
#include <cmath>

#include "compositing/AudioWaveformLoader.h"
#include "media/MediaError.h"
#include "studio/CutPlayback.h"
#include "studio/FutureCallback.h"
#include "studio/StudioFormatting.h"
#include "studio/StudioPlayer.h"

namespace tarnix {

namespace {

using CompositionBuilder::Result;

// The build's composition, or its failure described for the user; nothing when it was cancelled.
struct BuildOutcome {
    std::optional<Result> result;
    std::optional<std::string> failure;
    bool everythingCut = false; // the failure is that the cuts leave nothing
};

BuildOutcome outcomeOf(QFuture<Result> future)
{
    // A failed build's future counts as cancelled too: look for its exception first.
    try {
        future.waitForFinished();
        if (future.resultCount() > 0)
            return {future.result(), std::nullopt};
    } catch (const CompositionBuilder::BuildCancelled&) {
    } catch (const CompositionBuilder::BuildError& error) {
        return {std::nullopt, media::describe(error),
                error.kind() == CompositionBuilder::BuildError::Kind::everythingCut};
    } catch (const std::exception& error) {
        return {std::nullopt, media::describe(error)};
    }
    return {};
}

} // namespace

StudioPlayback::StudioPlayback(const RecordingTimeline& document, const StudioEditState& editState,
                               StudioPlayer& player, Builder builder, WaveformLoader waveformLoader,
                               int frameRate, QObject* parent)
    : QObject(parent)
    , document_(document)
    , state_(editState)
    , player_(player)
    , builder_(builder ? std::move(builder) : Builder(&CompositionBuilder::buildAsync))
    , waveformLoader_(waveformLoader ? std::move(waveformLoader)
                                     : WaveformLoader(&AudioWaveformLoader::loadPeaksAsync))
    , frameRate_(media::supportedFrameRate(frameRate))
{
}

StudioPlayback::~StudioPlayback()
{
    player_.setObservers({});
    if (reloadFuture_.isRunning())
        reloadFuture_.cancel();
}

// ---- Opening ---------------------------------------------------------------------------------

void StudioPlayback::load(bool withoutCuts)
{
    if (!document_.videoURL) {
        emit failed(tr("No recording to open."));
        return;
    }
    RecordingTimeline edited = state_.appliedTo(document_);
    if (withoutCuts)
        edited.cutRegions.clear();
    reloadFuture_ = builder_(std::move(edited), frameRate_);
    whenFinished(this, reloadFuture_, [this, withoutCuts](QFuture<Result> future) {
        BuildOutcome outcome = outcomeOf(future);
        if (outcome.everythingCut && !withoutCuts) {
            // A document whose cuts cover everything (made elsewhere) still opens, with the
            // whole recording in view, so that its cuts can be seen and restored.
            load(true);
            return;
        }
        if (outcome.failure) {
            emit failed(tr("Couldn't load recording: %1").arg(QString::fromStdString(*outcome.failure)));
            return;
        }
        if (!outcome.result)
            return;
        const Result& result = *outcome.result;
        takeShape(result);
        emit naturalSizeChanged(naturalSize_);
        showInPlayer(result);
        // The timeline spans the whole recording, cut time included.
        const double length = playerKept_.isRemapped() ? playerKept_.sourceDuration()
                              : result.composition ? result.composition->duration()
                                                   : 0;
        duration_ = std::isfinite(length) && length > 0 ? length : 0;
        player_.setObservers({[this](double t) { onTimeTick(t); },
                              [this] {
                                  if (isPlaying_)
                                      setPlaying(false);
                              },
                              [this](const QString& message) {
                                  emit failed(tr("Couldn't play the recording: %1").arg(message));
                              }});
        loaded_ = true;
        // What the recording's files lack (a movie cut short, an unreadable camera file) is said
        // once, beside the timeline.
        for (const std::string& warning : result.warnings)
            emit noticed(QString::fromStdString(warning));
        if (everythingCut())
            emit noticed(tr("The cuts leave nothing of this recording: restore a cut to play or "
                         "export it."));
        emit playbackChanged();
        emit loaded();
        // An edit committed while the first build ran is not in it: build again.
        if (editedWhileLoading_)
            rebuild();
    });
}

void StudioPlayback::loadWaveforms()
{
    auto assign = [this](std::vector<float>* target) {
        return [this, target](QFuture<std::vector<float>> future) {
            *target = future.resultCount() > 0 ? future.result() : std::vector<float>{};
            emit waveformsChanged();
        };
    };
    if (document_.hasSystemAudio && document_.videoURL)
        whenFinished(this, waveformLoader_(*document_.videoURL, kWaveformBuckets),
                     assign(&systemAudioWaveform_));
    if (document_.microphoneURL)
        whenFinished(this, waveformLoader_(*document_.microphoneURL, kWaveformBuckets),
                     assign(&microphoneWaveform_));
}

// ---- The rebuild cycle -----------------------------------------------------------------------

void StudioPlayback::rebuild()
{
    if (!document_.videoURL)
        return;
    liveRebuildWaiting_ = false; // this build is of the newest state
    if (!loaded_) {
        editedWhileLoading_ = true; // the first load builds again when it lands
        return;
    }
    if (reloadFuture_.isRunning())
        reloadFuture_.cancel();
    const quint64 generation = ++reloadGeneration_;
    RecordingTimeline edited = state_.appliedTo(document_);
    // Cuts that leave nothing (undone back to such a document) are left out of the preview, as
    // when it opened.
    if (everythingCut())
        edited.cutRegions.clear();
    reloadFuture_ = builder_(std::move(edited), frameRate_);
    whenFinished(this, reloadFuture_, [this, generation](QFuture<Result> future) {
        if (generation != reloadGeneration_)
            return; // superseded: dropped without effect, failures included
        applyRebuilt(std::move(future));
        if (liveRebuildWaiting_)
            rebuild();
    });
}

void StudioPlayback::rebuildLive()
{
    if (loaded_ && reloadFuture_.isRunning())
        liveRebuildWaiting_ = true;
    else
        rebuild();
}

void StudioPlayback::applyRebuilt(QFuture<Result> future)
{
    BuildOutcome outcome = outcomeOf(future);
    if (outcome.failure) {
        emit failed(tr("Couldn't refresh preview: %1").arg(QString::fromStdString(*outcome.failure)));
        return;
    }
    if (!outcome.result)
        return;
    // The playhead stays at its recording time, wherever the new cuts put that in the movie.
    const double playhead = isPlaying_ ? playerKept_.sourceTime(player_.currentTime()) : currentTime_;
    showInPlayer(*outcome.result);
    // Swapping may have reported a time of the old movie; the playhead is where it was.
    currentTime_ = playhead;
    seekPlayer(playhead);
    // Another canvas aspect changes the picture's shape: the preview area follows it.
    const QSize before = naturalSize_;
    takeShape(*outcome.result);
    if (naturalSize_ != before)
        emit naturalSizeChanged(naturalSize_);
    ++rebuildsApplied_;
    emit itemReplaced();
}

// ---- Frame rate ------------------------------------------------------------------------------

void StudioPlayback::setFrameRate(int framesPerSecond)
{
    framesPerSecond = media::supportedFrameRate(framesPerSecond);
    if (framesPerSecond == frameRate_)
        return;
    const int before = effectiveFrameRate();
    frameRate_ = framesPerSecond;
    emit frameRateChanged();
    // The preview plays at the rate the export will have (a first build still running is built
    // again when it lands).
    if (!loaded_ || effectiveFrameRate() != before)
        rebuild();
}

bool StudioPlayback::offersSmoothFrameRate() const
{
    return media::offersSmoothFrameRate(recordedFrameRate_);
}

int StudioPlayback::effectiveFrameRate() const
{
    return offersSmoothFrameRate() ? frameRate_ : media::kStandardFrameRate;
}

void StudioPlayback::takeShape(const Result& result)
{
    recordedFrameRate_ = result.recordedFrameRate;
    naturalSize_ = result.videoComposition.renderSize;
    const double w = naturalSize_.width(), h = naturalSize_.height();
    // Canvas pixels with a lower-left origin, as fractions of the picture with a top-left one.
    auto fraction = [&](const std::optional<Rect>& frame) {
        if (!frame || !(w > 0 && h > 0))
            return QRectF(0, 0, 1, 1);
        return QRectF(frame->x / w, 1 - (frame->y + frame->height) / h, frame->width / w,
                      frame->height / h);
    };
    const OverlayInstruction* instruction = result.instruction.get();
    cameraFrame_ = fraction(instruction ? instruction->edits().overlayFrame : std::nullopt);
    std::optional<Rect> content;
    if (instruction && instruction->backgroundFrame())
        content = instruction->backgroundFrame()->contentRect();
    contentFrame_ = fraction(content);
}

// ---- Playback --------------------------------------------------------------------------------

void StudioPlayback::showInPlayer(const CompositionBuilder::Result& item)
{
    playerKept_ = item.instruction ? item.instruction->edits().keptTime : KeptTime{};
    playerFrameDuration_ = item.videoComposition.frameDuration();
    player_.replaceCurrentItem(item);
}

void StudioPlayback::seekPlayer(double sourceTime)
{
    player_.seek(CutPlayback::playerTime(playerKept_, sourceTime, playerFrameDuration_));
}

double StudioPlayback::playerDuration() const
{
    return playerKept_.isRemapped() ? playerKept_.duration() : duration_;
}

KeptTime StudioPlayback::keptTime() const
{
    return KeptTime::of(state_, duration_);
}

bool StudioPlayback::everythingCut() const
{
    return duration_ > 0 && keptTime().isEmpty();
}

bool StudioPlayback::canPlay() const
{
    return duration_ > 0 && !everythingCut();
}

double StudioPlayback::movieTime() const
{
    return CutPlayback::movieTime(keptTime(), currentTime_);
}

double StudioPlayback::movieDuration() const
{
    return keptTime().duration();
}

void StudioPlayback::onTimeTick(double seconds)
{
    currentTime_ =
        CutPlayback::playhead(playerKept_, seconds, currentTime_, isPlaying_, playerFrameDuration_);
    const double end = playerDuration();
    if (isPlaying_ && end > 0 && seconds >= end - 0.05)
        isPlaying_ = false; // the player stops at the end of its item by itself
    emit playbackChanged();
}

void StudioPlayback::setPlaying(bool playing)
{
    isPlaying_ = playing;
    emit playbackChanged();
}

void StudioPlayback::togglePlayback()
{
    if (!canPlay() && !isPlaying_)
        return;
    // The state flips first: a player that reports its own pause must find it already paused.
    if (isPlaying_) {
        setPlaying(false);
        player_.pause();
        return;
    }
    // At the movie's end (or parked in a trimmed end) playing starts over.
    const double at = CutPlayback::playerTime(playerKept_, currentTime_, playerFrameDuration_);
    const bool atMovieEnd =
        playerKept_.isRemapped() && at >= playerDuration() - playerFrameDuration_ - 1e-9;
    if (currentTime_ >= duration_ || atMovieEnd) {
        currentTime_ = playerKept_.sourceTime(0);
        player_.seek(0);
    }
    setPlaying(true);
    player_.play();
}

void StudioPlayback::step(double delta)
{
    if (duration_ <= 0)
        return;
    seek(std::min(std::max(CutPlayback::stepped(playerKept_, currentTime_, delta), 0.0), duration_));
}

void StudioPlayback::seek(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    currentTime_ = seconds;
    seekPlayer(seconds);
    emit playbackChanged();
}

// ---- Waveforms ------------------------------------------------------------------------------

std::vector<float> StudioPlayback::displayedWaveform() const
{
    return tarnix::displayedWaveform(systemAudioWaveform_, state_.systemAudio, microphoneWaveform_,
                                     state_.microphoneAudio);
}

} // namespace tarnix
