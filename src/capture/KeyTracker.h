#pragma once

#include <QObject>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture/KeySource.h"
#include "capture/ScreenLockWatch.h"
#include "capture/CapturePauses.h"
#include "document/Date.h"
#include "document/RecordingTimeline.h"

// Records the keys pressed while a recording runs, when the user has asked for it. Each press is
// judged the moment it happens (keepsKey): the focused element's role and the screen locker are
// read then, so that nothing typed into a password field or a locker is ever stored.
//
// Threads: a QObject of the GUI thread; kept keys are posted here from the key monitor's thread.
// Timestamps are seconds since startTime on CaptureClock.

namespace tarnix {

class KeyTracker : public QObject {
    Q_OBJECT
    Q_PROPERTY(int keyCount READ keyCount NOTIFY keysChanged)

public:
    explicit KeyTracker(QObject* parent = nullptr);
    ~KeyTracker() override;

    const std::vector<KeyEvent>& keys() const { return keys_; }
    int keyCount() const { return static_cast<int>(keys_.size()); }
    const std::optional<Date>& startTime() const { return startTime_; }
    // The recording's pauses: nothing is sampled inside one, and timestamps after it leave out
    // the time spent paused. By default there are none.
    void setPauses(std::shared_ptr<const CapturePauses> pauses) { pauses_ = std::move(pauses); }
    // Why the last start could not watch the keyboard, if it could not.
    const std::optional<std::string>& monitorError() const { return monitorError_; }

    // Replaces where keys are read from (tests); XInput 2 by default. Takes effect at the next start.
    void setKeySourceFactory(KeySourceFactory factory) { factory_ = std::move(factory); }
    // Where the focused element's role is kept current (the focused-element tracker's); without
    // it the role counts as unknown.
    void setFocusRole(std::shared_ptr<const FocusRole> role) { focusRole_ = std::move(role); }

    // Stops any run, empties the list and starts watching.
    void start(KeyCaptureScope scope);
    // Stops watching; every key kept until then is in the list, which stays.
    void stop();

signals:
    void keysChanged();

private:
    // Kept keys handed over from the monitor's thread, collected on this one.
    struct Inbox {
        std::mutex mutex;
        std::vector<KeyEvent> keys;
    };
    void collect();

    std::vector<KeyEvent> keys_;
    std::shared_ptr<Inbox> inbox_ = std::make_shared<Inbox>();
    std::optional<Date> startTime_;
    std::shared_ptr<const CapturePauses> pauses_ = std::make_shared<CapturePauses>();
    std::optional<std::string> monitorError_;
    KeySourceFactory factory_;
    std::shared_ptr<const FocusRole> focusRole_;
    ScreenLockWatch lockWatch_;
    std::unique_ptr<KeySource> monitor_;
    std::uint64_t generation_ = 0; // drops keys posted by an earlier run
};

} // namespace tarnix
