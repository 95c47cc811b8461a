#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <filesystem>
#include <memory>

#include "media/Composition.h"
#include "media/VideoComposition.h"

// Plays a composition for the editor's preview: the composed picture at the video composition's
// frame rate and the composition's audio tracks, mixed, through the default audio device.
//
// Frames are decoded and composed ahead of the playhead on worker threads; the GUI thread only
// picks the frame that is due and hands it on (frameChanged). While audio plays, the audio
// device's playback position is the clock and the picture follows it; with no audio tracks, or
// when no audio device can be opened, a steady clock runs instead.
//
// Seeks are exact (the frame shown is the one whose interval holds the requested time) and merge:
// a seek asked for while an older one is still being decoded replaces it, so scrubbing only ever
// waits for the newest position. replaceComposition swaps in a rebuilt composition at the same
// playhead without stopping playback.
//
// At the end of the composition playback pauses with the playhead on the end; play() from the end
// starts again from 0.
//
// Times are seconds on the composition's time line (which need not be the source files' time
// line: the composition maps one to the other).
//
// Threads: create, call and destroy on the GUI thread only (the thread that owns the object);
// signals are emitted there. The composition and the video composition's instructions are shared
// read-only with the player's worker threads; the compositor may be called from several of them
// at once, as VideoCompositing.h allows.

namespace tarnix::media {

class PreviewPlayer : public QObject {
    Q_OBJECT

public:
    // What playback looked like since the last resetStatistics(): for benchmarks and diagnostics.
    struct Statistics {
        int framesShown = 0;      // frames handed to frameChanged during playback
        int framesLate = 0;       // shown, but after their display time had passed by a frame
        int framesSkipped = 0;    // never shown: not ready before the next frame was due
        double maxAudioOffset = 0; // worst |picture time − audio clock| at a frame change, seconds
        double meanAudioOffset = 0;
        long long audioFramesPlayed = 0; // sample frames handed to the audio device
    };

    explicit PreviewPlayer(QObject* parent = nullptr);
    ~PreviewPlayer() override;
    PreviewPlayer(const PreviewPlayer&) = delete;
    PreviewPlayer& operator=(const PreviewPlayer&) = delete;

    // Loads a composition with the playhead at 0, paused; the first frame follows (frameChanged).
    // A video composition without a compositor or render size reports failed().
    void setComposition(std::shared_ptr<const Composition> composition,
                        VideoComposition videoComposition);
    // Swaps in a rebuilt composition keeping the playhead (clamped to the new duration) and the
    // playing state; the frame at the playhead is redrawn from the new composition.
    void replaceComposition(std::shared_ptr<const Composition> composition,
                            VideoComposition videoComposition);
    // Drops the composition: paused, duration 0, no frame.
    void clear();
    bool hasComposition() const;

    void play();
    void pause();
    bool isPlaying() const;

    // Moves the playhead to `seconds` (clamped to 0...duration) at once; the frame follows. Does
    // not change the playing state.
    void seek(double seconds);
    // True from a seek until its frame has been shown.
    bool isSeeking() const;
    // Whether the frame on screen is a seek's stand-in from the scrub proxy, shown until the
    // real frame is decoded.
    bool isShowingProxy() const;
    // Where scrub proxies are kept (empty: none); by default the user's cache folder.
    void setScrubProxyFolder(std::filesystem::path folder);

    double currentTime() const;
    double duration() const;
    QSize renderSize() const;
    double frameDuration() const;
    // The frame on screen now (null before the first one).
    QImage currentFrame() const;

    // The size the frames are shown at (device pixels), or empty for the render size. Frames are
    // then composed at the size that fits it (aspect ratio kept) on the compositing threads, so
    // no pixel is drawn that is not shown and the GUI thread only copies them to the screen.
    // Takes effect from the next frame composed.
    void setDisplaySize(QSize size);

    // With false, no audio device is opened and the steady clock runs (silent previews, tests).
    // Takes effect at the next play().
    void setAudioOutputEnabled(bool enabled);
    // True while the audio device drives the clock.
    bool isAudioClockActive() const;

    Statistics statistics() const;
    void resetStatistics();

signals:
    // A new frame to draw (render size, or fitted into the display size when one is set;
    // Format_ARGB32_Premultiplied), with its composition time.
    void frameChanged(const QImage& frame, double seconds);
    // The playhead: every 1/30 s while playing, and whenever a seek, pause or load moves it.
    void timeChanged(double seconds);
    void playingChanged(bool playing);
    void durationChanged(double seconds);
    // The frame of the latest seek is on screen (older, superseded seeks report nothing).
    void seekFinished(double seconds);
    // Decoding or compositing failed; a sentence for the user. The player pauses.
    void failed(const QString& message);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace tarnix::media
