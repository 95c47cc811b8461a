#pragma once

// A damped spring, described the way designers do: its response (the period of the undamped
// oscillation, in seconds) and its damping fraction (1 = no overshoot, lower = more bounce).
// Used to ease values in the interface so that they move like physical things.

namespace tarnix {

struct Spring {
    double response = 0.3;
    double dampingFraction = 0.8;

    // The way from 0 to 1, `seconds` after release from rest: 0 at 0, overshooting when
    // underdamped, within 0.1 % of 1 from settleSeconds() on.
    double value(double seconds) const;
    double settleSeconds() const;
};

} // namespace tarnix
