#pragma once

#include "document/Date.h"

// The one clock of a recording. Video frames, audio blocks, cursor, click and focus samples are
// all stamped with CaptureClock::now() (monotonic seconds), so their differences are exact and do
// not jump when the wall clock is adjusted. Wall-clock dates are derived from one anchor taken on
// first use, so a date made from a monotonic time and another made the same way differ by exactly
// the monotonic difference.
//
// Thread-safe.

namespace tarnix::CaptureClock {

// Monotonic seconds (CLOCK_MONOTONIC).
double now();

// The wall-clock date of a monotonic time.
Date dateOf(double monotonicSeconds);

// The monotonic time of a wall-clock date (inverse of dateOf).
double monotonicOf(const Date& date);

} // namespace tarnix::CaptureClock
