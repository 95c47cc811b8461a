#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

#include "capture/CapturePauses.h"
#include "document/Date.h"
#include "document/RecordingTimeline.h"

#include "capture/PointerSource.h"

// Records the cursor's path and the left and right mouse buttons of the whole display while a
// recording runs. The screen is captured without the cursor; these samples let the compositor
// draw one later.
//
// Threads: a QObject of the GUI thread; samples and clicks are appended there, posted from the
// pointer monitor's thread. Timestamps are seconds since startTime on CaptureClock; points are
// screen points (bottom-left origin of the primary monitor, y up).

namespace tarnix {

class CursorTracker : public QObject {
    Q_OBJECT
    Q_PROPERTY(int sampleCount READ sampleCount NOTIFY samplesChanged)
    Q_PROPERTY(int clickCount READ clickCount NOTIFY clicksChanged)

public:
    explicit CursorTracker(QObject* parent = nullptr);
    ~CursorTracker() override;

    const std::vector<CursorSample>& samples() const { return samples_; }
    const std::vector<ClickEvent>& clicks() const { return clicks_; }
    int sampleCount() const { return static_cast<int>(samples_.size()); }
    int clickCount() const { return static_cast<int>(clicks_.size()); }
    const std::optional<Date>& startTime() const { return startTime_; }
    // The recording's pauses: nothing is sampled inside one, and timestamps after it leave out
    // the time spent paused. By default there are none.
    void setPauses(std::shared_ptr<const CapturePauses> pauses) { pauses_ = std::move(pauses); }
    // Why the last start could not watch the mouse (no X display, no XInput 2), if it could not.
    const std::optional<std::string>& monitorError() const { return monitorError_; }
    // What the running (or last) pointer source cannot report, for the user.
    const std::optional<std::string>& limitation() const { return limitation_; }

    // Replaces where the pointer is read from (the session's backend, tests); XInput 2 by
    // default. Takes effect at the next start.
    void setPointerSourceFactory(PointerSourceFactory factory) { factory_ = std::move(factory); }

    // Stops any run, empties the lists and starts watching.
    void start();
    // Stops watching; the lists stay.
    void stop();

signals:
    void samplesChanged();
    void clicksChanged();

private:
    std::vector<CursorSample> samples_;
    std::vector<ClickEvent> clicks_;
    std::optional<Date> startTime_;
    std::shared_ptr<const CapturePauses> pauses_ = std::make_shared<CapturePauses>();
    std::optional<std::string> monitorError_;
    std::optional<std::string> limitation_;
    PointerSourceFactory factory_;
    std::unique_ptr<PointerSource> monitor_;
    std::uint64_t generation_ = 0; // drops events posted by an earlier run
};

} // namespace tarnix
