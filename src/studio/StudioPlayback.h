#pragma once

#include <QFuture>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QString>

#include <filesystem>
#include <functional>
#include <vector>

#include "compositing/CompositionBuilder.h"
#include "media/FrameRate.h"
#include "document/CutRegions.h"
#include "document/RecordingTimeline.h"
#include "studio/StudioEditState.h"

// The Studio's preview, without widgets: builds the composition of the edit state, hands it to
// the player, and keeps the playhead, the picture's shape and the audio waveforms.
//
// rebuild() after every committed edit: a newer rebuild cancels the one in flight, and the new
// composition is swapped in at the same playhead. An edit made while the first build runs is
// built again after it. rebuildLive() while a live state keeps changing: at most one build in
// flight, the newest state built after it.
//
// Cuts: the timeline and the playhead stay in recording time; the player plays the edited movie
// (the kept spans one after another), and CutPlayback maps between the two, so the playhead jumps
// over cut time while playing and a seek into a cut shows the frame after it.
//
// Failures a person must hear about are reported with failed() ("Couldn't load recording: …"),
// what the recording's files lack with noticed().
//
// Threads: GUI thread only. Builds and waveform loads run on workers and report back through
// queued calls.

namespace tarnix {

class StudioPlayer;

class StudioPlayback : public QObject {
    Q_OBJECT

public:
    // Builds the composition of an edited recording.
    using Builder =
        std::function<QFuture<CompositionBuilder::Result>(RecordingTimeline, int frameRate)>;
    using WaveformLoader =
        std::function<QFuture<std::vector<float>>(std::filesystem::path url, int bucketCount)>;

    // Fine enough that a zoomed-in timeline still has a peak per few points (40 a second over ten
    // minutes); the timeline reduces them to the bars of its visible span.
    static constexpr int kWaveformBuckets = 24000;

    // Plays `document` as `editState` edits it; both belong to the caller and outlive this, as
    // does `player`. Empty loaders take the defaults (CompositionBuilder::buildAsync,
    // AudioWaveformLoader::loadPeaksAsync). `frameRate` is the rate chosen last time.
    StudioPlayback(const RecordingTimeline& document, const StudioEditState& editState,
                   StudioPlayer& player, Builder builder, WaveformLoader waveformLoader,
                   int frameRate = media::kStandardFrameRate, QObject* parent = nullptr);
    ~StudioPlayback() override;

    // Starts the first build and the waveform loads.
    void load(bool withoutCuts = false);
    void loadWaveforms();
    bool isLoaded() const { return loaded_; }
    // Builds the edit state again and swaps it in at the playhead.
    void rebuild();
    // The same for a live state that keeps changing (typing): a build in flight is let finish and
    // the newest state is built after it, so that the preview keeps up with steady changes
    // instead of each one cancelling the last. A rebuild() takes over what waits.
    void rebuildLive();

    // The playhead and the recording's length, in recording time (what the timeline shows).
    double currentTime() const { return currentTime_; }
    double duration() const { return duration_; }
    // The kept time of the current edit state, and the playhead and length in the edited movie
    // (what the transport shows); without cuts the same as above.
    KeptTime keptTime() const;
    double movieTime() const;
    double movieDuration() const;
    bool isPlaying() const { return isPlaying_; }
    // One frame of the movie in the player (1/30 s until the first build lands).
    double frameDuration() const { return playerFrameDuration_; }
    // The composed picture's size; a rebuild for another canvas aspect changes it.
    QSize naturalSize() const { return naturalSize_; }
    // The part of the picture the camera bubble is placed in, as fractions of it (top-left
    // origin): all of it, or on a canvas of another aspect the recording-shaped band around the
    // content.
    QRectF cameraFrame() const { return cameraFrame_; }
    // The screen content's rectangle in the picture, as fractions of it (top-left origin): inside
    // the background's padding when there is one. Blur boxes are placed in it.
    QRectF contentFrame() const { return contentFrame_; }
    // Playing and exporting need something kept: a document whose cuts cover everything opens
    // with the whole recording in view and its cuts restorable, but neither plays nor exports.
    bool everythingCut() const;
    bool canPlay() const;
    void togglePlayback();
    void step(double delta);
    void seek(double seconds);

    // The waveform the timeline draws: the tracks' peaks as their settings mix them.
    std::vector<float> displayedWaveform() const;
    const std::vector<float>& systemAudioWaveform() const { return systemAudioWaveform_; }
    const std::vector<float>& microphoneWaveform() const { return microphoneWaveform_; }

    // Frames a second of the preview and the exported movie: 30, or 60 where the recording has
    // more than 30 of its own (offersSmoothFrameRate, known once the recording is loaded). The
    // choice is kept for recordings that offer it; a new one rebuilds the preview.
    int frameRate() const { return frameRate_; }
    void setFrameRate(int framesPerSecond);
    bool offersSmoothFrameRate() const;
    // The rate that applies to this recording: the chosen one where offered, else 30.
    int effectiveFrameRate() const;

    // Player swaps done by rebuilds (not the first load), for tests and diagnostics.
    int rebuildsApplied() const { return rebuildsApplied_; }

signals:
    void playbackChanged();
    void loaded();
    void naturalSizeChanged(QSize size);
    void waveformsChanged();
    void itemReplaced();
    void failed(const QString& message);
    void noticed(const QString& text);
    void frameRateChanged();

private:
    void takeShape(const CompositionBuilder::Result& result);
    void applyRebuilt(QFuture<CompositionBuilder::Result> future);
    void setPlaying(bool playing);
    void showInPlayer(const CompositionBuilder::Result& item);
    void seekPlayer(double sourceTime);
    double playerDuration() const;
    void onTimeTick(double seconds);

    const RecordingTimeline& document_;
    const StudioEditState& state_;
    StudioPlayer& player_;
    Builder builder_;
    WaveformLoader waveformLoader_;

    bool loaded_ = false;
    bool editedWhileLoading_ = false;
    QSize naturalSize_;
    QRectF cameraFrame_{0, 0, 1, 1};
    QRectF contentFrame_{0, 0, 1, 1};
    double duration_ = 0;
    double currentTime_ = 0;
    bool isPlaying_ = false;
    // The cuts of the composition in the player (it may lag the edit state while a rebuild runs)
    // and its frame length.
    KeptTime playerKept_;
    double playerFrameDuration_ = 1.0 / 30;
    std::vector<float> systemAudioWaveform_;
    std::vector<float> microphoneWaveform_;

    // Generation of the newest rebuild; an older one that finishes is dropped unseen.
    quint64 reloadGeneration_ = 0;
    QFuture<CompositionBuilder::Result> reloadFuture_;
    bool liveRebuildWaiting_ = false; // a live state waits for the build in flight
    int rebuildsApplied_ = 0;
    int frameRate_ = media::kStandardFrameRate;
    double recordedFrameRate_ = 0; // of the screen movie, from the latest build
};

} // namespace tarnix
