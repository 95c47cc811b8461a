#include "compositing/CursorSmoothing.h"

#include <algorithm>
#include <cmath>

#include "compositing/CursorTrack.h"

namespace tarnix::CursorSmoothing {

namespace {

constexpr double kStep = 1.0 / 480;        // spring integration step, seconds
constexpr int kStepsPerSample = 4;         // output every 1/120 s
constexpr double kMinTimeConstant = 0.015; // strength 0: barely any lag
constexpr double kMaxTimeConstant = 0.16;  // strength 1: a long glide
constexpr double kMinDeviation = 0.01;     // of the captured area
constexpr double kMaxDeviation = 0.05;
// How far before and after a press the path is bent back onto it, at most (seconds).
constexpr double kPressWindow = 0.25;

double clampedStrength(double strength)
{
    return std::isfinite(strength) ? std::clamp(strength, 0.0, 1.0) : 0.5;
}

Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator*(Point a, double k) { return {a.x * k, a.y * k}; }

// A smooth weight: 1 at distance 0, 0 from `width` on, with zero slope at both ends.
double bump(double distance, double width)
{
    if (!(width > 0) || distance >= width)
        return 0;
    double u = 1 - distance / width;
    return u * u * (3 - 2 * u);
}

// The critically damped spring x'' = ω²(target − x) − 2ω x', integrated semi-implicitly.
std::vector<NormalizedCursorSample> spring(const std::vector<NormalizedCursorSample>& samples,
                                           double tau)
{
    const double omega = 1 / tau;
    const double start = samples.front().time, end = samples.back().time;
    std::vector<NormalizedCursorSample> path;
    path.reserve(std::size_t((end - start) / (kStep * kStepsPerSample)) + 2);
    Point x = samples.front().point, v{0, 0};
    path.push_back({start, x});
    long steps = long(std::ceil((end - start) / kStep));
    for (long i = 1; i <= steps; ++i) {
        double t = std::min(start + i * kStep, end);
        Point target = *CursorTrack::position(t, samples);
        Point a = (target - x) * (omega * omega) - v * (2 * omega);
        v = v + a * kStep;
        x = x + v * kStep;
        if (i % kStepsPerSample == 0 || i == steps)
            path.push_back({t, x});
    }
    return path;
}

// Adds a sample at each press time inside the path's span (so that the linear lookup passes
// through it), keeping the order.
void addPressTimes(std::vector<NormalizedCursorSample>& path,
                   const std::vector<NormalizedClickSample>& presses)
{
    for (const auto& press : presses) {
        if (press.time <= path.front().time || press.time >= path.back().time)
            continue;
        auto at = std::lower_bound(path.begin(), path.end(), press.time,
                                   [](const auto& s, double t) { return s.time < t; });
        if (at->time != press.time)
            path.insert(at, {press.time, *CursorTrack::position(press.time, path)});
    }
}

// Bends the path so that it passes through each press point at its time: the miss at each press
// is added back with a bump that fades before the neighbouring press, so presses do not disturb
// each other.
void bendThroughPresses(std::vector<NormalizedCursorSample>& path,
                        const std::vector<NormalizedClickSample>& presses)
{
    const std::size_t n = presses.size();
    std::vector<Point> miss(n);
    for (std::size_t k = 0; k < n; ++k)
        miss[k] = presses[k].point - *CursorTrack::position(presses[k].time, path);
    std::vector<Point> correction(path.size(), Point{0, 0});
    for (std::size_t k = 0; k < n; ++k) {
        double before = k > 0 ? std::min(kPressWindow, presses[k].time - presses[k - 1].time)
                              : kPressWindow;
        double after = k + 1 < n ? std::min(kPressWindow, presses[k + 1].time - presses[k].time)
                                 : kPressWindow;
        auto first = std::lower_bound(path.begin(), path.end(), presses[k].time - before,
                                      [](const auto& s, double t) { return s.time < t; });
        for (auto it = first; it != path.end() && it->time <= presses[k].time + after; ++it) {
            double d = it->time - presses[k].time;
            double w = d == 0 ? 1 : d < 0 ? bump(-d, before) : bump(d, after);
            correction[std::size_t(it - path.begin())] =
                correction[std::size_t(it - path.begin())] + miss[k] * w;
        }
    }
    for (std::size_t i = 0; i < path.size(); ++i)
        path[i].point = path[i].point + correction[i];
}

// Pulls every point back to within `bound` of the recorded path at its time.
void holdNear(std::vector<NormalizedCursorSample>& path,
              const std::vector<NormalizedCursorSample>& samples, double bound)
{
    for (auto& s : path) {
        Point raw = *CursorTrack::position(s.time, samples);
        Point d = s.point - raw;
        double distance = std::hypot(d.x, d.y);
        if (distance > bound)
            s.point = raw + d * (bound / distance);
    }
}

// Each press point exactly at its time, even one that lies off the recorded path (the bending
// already put it there unless holdNear pulled it back).
void pinPresses(std::vector<NormalizedCursorSample>& path,
                const std::vector<NormalizedClickSample>& presses)
{
    for (const auto& press : presses) {
        auto at = std::lower_bound(path.begin(), path.end(), press.time,
                                   [](const auto& s, double t) { return s.time < t; });
        if (at != path.end() && at->time == press.time)
            at->point = press.point;
    }
}

} // namespace

double timeConstant(double strength)
{
    return kMinTimeConstant + (kMaxTimeConstant - kMinTimeConstant) * clampedStrength(strength);
}

double maxDeviation(double strength)
{
    return kMinDeviation + (kMaxDeviation - kMinDeviation) * clampedStrength(strength);
}

std::vector<NormalizedCursorSample> smooth(const std::vector<NormalizedCursorSample>& samples,
                                           const std::vector<NormalizedClickSample>& presses,
                                           double strength)
{
    if (samples.size() < 2 || !std::isfinite(samples.front().time) ||
        !std::isfinite(samples.back().time) || !(samples.back().time > samples.front().time))
        return samples;
    std::vector<NormalizedCursorSample> path = spring(samples, timeConstant(strength));
    std::vector<NormalizedClickSample> inside;
    for (const auto& press : presses) {
        if (!(press.time >= samples.front().time && press.time <= samples.back().time))
            continue;
        if (!inside.empty() && inside.back().time == press.time)
            inside.back() = press; // one place per instant: the later press
        else
            inside.push_back(press);
    }
    addPressTimes(path, inside);
    bendThroughPresses(path, inside);
    holdNear(path, samples, maxDeviation(strength));
    pinPresses(path, inside);
    return path;
}

} // namespace tarnix::CursorSmoothing
