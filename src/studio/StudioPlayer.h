#pragma once

#include <QString>

#include <functional>

#include "compositing/CompositionBuilder.h"

// What the Studio's model needs from a preview player: show a composition, play, pause, seek
// exactly, tell the time. The Studio's own adapter drives the media engine's player; tests drive
// the model with a scripted one.
//
// Threads: every call and every callback on the GUI thread. Times are seconds on the
// composition's time line.

namespace tarnix {

class StudioPlayer {
public:
    virtual ~StudioPlayer() = default;

    // Makes this composition the one that is shown and played. The time stays where it was only
    // if the caller seeks afterwards.
    virtual void replaceCurrentItem(const CompositionBuilder::Result& item) = 0;

    virtual double currentTime() const = 0;

    // Exact seek (zero tolerance); a newer seek supersedes one still on its way.
    virtual void seek(double seconds) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;

    // What the player tells its one observer; empty functions are not called. Setting observers
    // replaces the previous ones; Observers{} removes them.
    struct Observers {
        // Every 1/30 s of playback with the current time, and when a seek moves the playhead.
        std::function<void(double seconds)> time;
        // The player stopped by itself (the end of the composition, a failure).
        std::function<void()> stopped;
        // Decoding or drawing failed: a sentence for the user.
        std::function<void(const QString& message)> failed;
    };
    virtual void setObservers(Observers observers) = 0;
};

} // namespace tarnix
