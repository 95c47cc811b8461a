#pragma once

#include <optional>

#include "document/CutRegions.h"

// Playing backwards (J): the player decodes forwards only, so the playhead is moved back on the
// clock, one exact seek after another, and the preview shows each frame as soon as it is decoded.
// J again doubles the speed, up to kMaxSpeed. The clock runs in movie time, as playing forwards
// does: cut time is skipped, and a sped-up span goes by at its speed (a 4× span four times as fast
// in recording time). Times are seconds of the recording; `now` is any steady clock in seconds.

namespace tarnix {

class ReversePlay {
public:
    static constexpr double kMaxSpeed = 4;

    // J with the playhead at `time`: starts at 1×, or doubles the speed when already running.
    void press(double now, double time);
    void stop() { speed_ = 0; }
    bool isRunning() const { return speed_ > 0; }
    double speed() const { return speed_; }

    // Where the playhead belongs at `now`, given the cuts and speeds of `kept`. At the start of
    // the movie (the first kept moment) it stops there: the last time it returns.
    std::optional<double> timeAt(double now, const KeptTime& kept);

private:
    double speed_ = 0;
    double origin_ = 0;  // playhead when the current speed began, recording time
    double startedAt_ = 0;
};

} // namespace tarnix
