#pragma once

#include <optional>
#include <vector>

#include "document/RecordingTimeline.h"

// Playing backwards (J): the player decodes forwards only, so the playhead is moved back on the
// clock, one exact seek after another, and the preview shows each frame as soon as it is decoded.
// J again doubles the speed, up to kMaxSpeed; cut time is skipped as playing forwards skips it.
// Times are seconds of the recording; `now` is any steady clock in seconds.

namespace tarnix {

class ReversePlay {
public:
    static constexpr double kMaxSpeed = 4;

    // J with the playhead at `time`: starts at 1×, or doubles the speed when already running.
    void press(double now, double time);
    void stop() { speed_ = 0; }
    bool isRunning() const { return speed_ > 0; }
    double speed() const { return speed_; }

    // Where the playhead belongs at `now`, outside the cuts. At the start of the recording (or of
    // what the cuts leave) it stops there: the last time it returns.
    std::optional<double> timeAt(double now, const std::vector<CutRegion>& cuts);

private:
    double speed_ = 0;
    double origin_ = 0;  // playhead when the current speed began
    double startedAt_ = 0;
};

} // namespace tarnix
