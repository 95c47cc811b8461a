#include "ui/Spring.h"

#include <cmath>
#include <numbers>

namespace tarnix {

// Unit mass released from 0 towards 1: for ζ < 1,
// x(t) = 1 − e^(−ζω t) (cos ω_d t + ζω/ω_d sin ω_d t), with ω = 2π / response, ω_d = ω √(1 − ζ²);
// critically damped (ζ ≥ 1, treated as 1): x(t) = 1 − e^(−ω t) (1 + ω t).
double Spring::value(double seconds) const
{
    if (seconds <= 0)
        return 0;
    const double omega = 2 * std::numbers::pi / response;
    if (dampingFraction >= 1)
        return 1 - std::exp(-omega * seconds) * (1 + omega * seconds);
    const double decay = dampingFraction * omega;
    const double wd = omega * std::sqrt(1 - dampingFraction * dampingFraction);
    return 1 - std::exp(-decay * seconds) * (std::cos(wd * seconds) + decay / wd * std::sin(wd * seconds));
}

double Spring::settleSeconds() const
{
    const double omega = 2 * std::numbers::pi / response;
    if (dampingFraction >= 1)
        return 9.3 / omega; // e^(−x)(1 + x) < 0.001
    const double decay = dampingFraction * omega;
    const double wd = omega * std::sqrt(1 - dampingFraction * dampingFraction);
    // The envelope e^(−ζω t)·(1 + ζω/ω_d) falls below 0.001.
    return std::log(1000 * (1 + decay / wd)) / decay;
}

} // namespace tarnix
