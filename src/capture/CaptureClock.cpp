#include "capture/CaptureClock.h"

#include <ctime>

namespace tarnix::CaptureClock {

namespace {

struct Anchor {
    double monotonic;
    double wall; // unix seconds
};

const Anchor& anchor()
{
    static const Anchor value = [] {
        timespec wall{};
        clock_gettime(CLOCK_REALTIME, &wall);
        return Anchor{now(), static_cast<double>(wall.tv_sec) + wall.tv_nsec * 1e-9};
    }();
    return value;
}

} // namespace

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

Date dateOf(double monotonicSeconds)
{
    const Anchor& a = anchor();
    return Date::fromUnixSeconds(a.wall + (monotonicSeconds - a.monotonic));
}

double monotonicOf(const Date& date)
{
    const Anchor& a = anchor();
    return a.monotonic + (date.unixSeconds() - a.wall);
}

} // namespace tarnix::CaptureClock
