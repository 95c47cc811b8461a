#pragma once

#include <QObject>

#include <atomic>
#include <memory>

#include "media/Composition.h"

class QAudioSink;

// The preview's sound: a composition's audio tracks mixed (AudioMixer) from a start time and
// played through the default audio output (Qt Multimedia, pull mode). Its playback position,
// read from the device (what has been heard, not what has been handed over), is the player's
// clock.
//
// A mixing thread of its own decodes up to half a second ahead into a bounded queue. When the
// device asks for samples the queue does not hold yet, it gets silence and the same span is
// dropped from the queue later, so the position keeps mapping exactly onto composition time.
//
// Threads: a GUI-thread object (the device pulls on the thread that started it); the mixing
// thread only decodes.

namespace tarnix::media {

class PreviewAudioOutput : public QObject {
    Q_OBJECT

public:
    explicit PreviewAudioOutput(QObject* parent = nullptr);
    ~PreviewAudioOutput() override;

    // Plays `composition`'s audio from composition time `seconds`. Returns false, playing
    // nothing, when the composition has no audio track, its audio cannot be decoded, or no
    // output device can be opened. Stops what was playing before.
    bool start(std::shared_ptr<const Composition> composition, double seconds);
    void stop();
    bool isActive() const;

    // The composition time being heard now (the start time until the device has played some).
    double position() const;
    // Wall-clock seconds the device has been playing without its position moving (infinity once
    // it has failed): a device that stalls or goes away is noticed by the player, which then
    // runs a steady clock instead.
    double stalledFor() const;
    // Sample frames the device has taken since start (silence for underruns included).
    long long framesTaken() const;
    // Sample frames that had to be replaced by silence because decoding fell behind.
    long long framesUnderrun() const;

private:
    class Feed;
    std::unique_ptr<Feed> feed_;
    std::unique_ptr<QAudioSink> sink_;
    double startTime_ = 0;
    int rate_ = 48000;
    mutable qint64 lastProcessed_ = -1;
    mutable qint64 lastMoveNs_ = 0;
};

} // namespace tarnix::media
