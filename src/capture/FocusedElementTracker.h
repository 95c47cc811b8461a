#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "capture/CaptureSource.h"
#include "capture/KeySource.h"
#include "capture/CapturePauses.h"
#include "document/Date.h"
#include "document/RecordingTimeline.h"

namespace tarnix::atspi {
class FocusMonitor;
}

// Follows the keyboard focus while a recording runs: every pollInterval it asks the accessibility
// service for the focused element's frame and records a sample whenever that frame changes.
//
// Threads: a QObject of the GUI thread; polls are made on the accessibility thread and posted here,
// where the de-duplication and the samples live. Timestamps are seconds since startTime on
// CaptureClock; rectangles are screen points (bottom-left origin of the primary monitor, y up).

namespace tarnix {

class FocusedElementTracker : public QObject {
    Q_OBJECT
    Q_PROPERTY(int sampleCount READ sampleCount NOTIFY samplesChanged)

public:
    static constexpr double kPollInterval = 0.15; // seconds

    // Whether the process may read other applications' focus; with prompt, asks for it.
    using TrustCheck = std::function<bool(bool prompt)>;

    explicit FocusedElementTracker(QObject* parent = nullptr);
    ~FocusedElementTracker() override;

    const std::vector<FocusedElementSample>& samples() const { return samples_; }
    int sampleCount() const { return static_cast<int>(samples_.size()); }
    const std::optional<Date>& startTime() const { return startTime_; }
    bool isRunning() const { return startTime_.has_value(); }
    // The recording's pauses: nothing is sampled inside one, and timestamps after it leave out
    // the time spent paused. By default there are none.
    void setPauses(std::shared_ptr<const CapturePauses> pauses) { pauses_ = std::move(pauses); }
    // Polls handled since the tracker was made, whether or not they recorded a sample.
    int pollCount() const { return pollCount_; }
    // Whether the focus is in a password field, kept current while the tracker runs; any thread
    // may read it.
    std::shared_ptr<const FocusRole> focusRole() const { return focusRole_; }
    // Replaces the AT-SPI trust check (tests).
    void setTrustCheck(TrustCheck check) { trustCheck_ = std::move(check); }

    // Stops any run; when trusted, empties the samples and starts polling.
    void start();
    // Stops polling; the samples stay.
    void stop();

    // One poll's result: the focused element's frame in screen space (or nothing), seen at
    // CaptureClock time `time`. Records it unless it is roughly the last recorded frame.
    void handlePoll(const std::optional<Rect>& frame, double time);

    // Two frames whose x, y, width and height each differ by less than 1 point.
    static bool roughlyEqual(const Rect& a, const Rect& b);

signals:
    void samplesChanged();

private:
    std::vector<FocusedElementSample> samples_;
    std::optional<Date> startTime_;
    std::shared_ptr<const CapturePauses> pauses_ = std::make_shared<CapturePauses>();
    double startMonotonic_ = 0;
    std::optional<Rect> lastRect_;
    TrustCheck trustCheck_;
    std::unique_ptr<atspi::FocusMonitor> monitor_;
    std::shared_ptr<FocusRole> focusRole_ = std::make_shared<FocusRole>();
    std::uint64_t generation_ = 0;
    int pollCount_ = 0;
};

} // namespace tarnix
