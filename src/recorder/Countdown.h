#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

// The seconds counted down before a recording starts. It only counts: whoever started it starts
// the recording on finished(), and nothing is recorded before then.
//
// Threads: GUI thread only.

namespace tarnix {

class Countdown : public QObject {
    Q_OBJECT

public:
    // `second` is how long one step lasts (shorter in tests).
    explicit Countdown(std::chrono::milliseconds second = std::chrono::seconds(1), QObject* parent = nullptr);

    void setStep(std::chrono::milliseconds second) { timer_.setInterval(second); }
    // Counts down from `seconds` (more than 0); a count under way starts again.
    void start(int seconds);
    // Stops counting; finished() does not come.
    void cancel();
    bool isRunning() const { return remaining_ > 0; }
    // The number shown: seconds left, rounded up; 0 when not counting.
    int remaining() const { return remaining_; }

signals:
    // remaining() changed (a step, a start, a cancel).
    void changed();
    void finished();

private:
    void step();

    QTimer timer_;
    int remaining_ = 0;
};

} // namespace tarnix
