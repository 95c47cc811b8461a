#include "capture/CapturePauses.h"

#include <algorithm>
#include <limits>

#include "capture/CaptureClock.h"

namespace tarnix {

namespace {

double endOf(const CapturePauses::Span& span)
{
    return span.to.value_or(std::numeric_limits<double>::infinity());
}

} // namespace

std::optional<double> CapturePauses::pause()
{
    std::lock_guard lock(mutex_);
    if (!spans_.empty() && !spans_.back().to)
        return std::nullopt;
    const double now = CaptureClock::now();
    spans_.push_back({now, std::nullopt});
    return now;
}

std::optional<double> CapturePauses::resume()
{
    std::lock_guard lock(mutex_);
    if (spans_.empty() || spans_.back().to)
        return std::nullopt;
    const double now = CaptureClock::now();
    spans_.back().to = now;
    return now;
}

void CapturePauses::clear()
{
    std::lock_guard lock(mutex_);
    spans_.clear();
}

bool CapturePauses::isPaused() const
{
    std::lock_guard lock(mutex_);
    return !spans_.empty() && !spans_.back().to;
}

std::vector<CapturePauses::Span> CapturePauses::spans() const
{
    std::lock_guard lock(mutex_);
    return spans_;
}

double CapturePauses::pausedBefore(double time) const
{
    std::lock_guard lock(mutex_);
    return pausedBeforeLocked(time);
}

double CapturePauses::pausedBeforeLocked(double time) const
{
    double total = 0;
    for (const Span& span : spans_) {
        if (span.from >= time)
            break;
        total += std::min(time, endOf(span)) - span.from;
    }
    return total;
}

std::optional<double> CapturePauses::recordedTime(double time) const
{
    std::lock_guard lock(mutex_);
    for (const Span& span : spans_)
        if (time >= span.from && time < endOf(span))
            return std::nullopt;
    return time - pausedBeforeLocked(time);
}

double CapturePauses::recordedTimeUpTo(double time) const
{
    std::lock_guard lock(mutex_);
    return time - pausedBeforeLocked(time);
}

std::vector<CapturePauses::Part> CapturePauses::recordedParts(double start, double length) const
{
    std::lock_guard lock(mutex_);
    std::vector<Part> parts;
    const double end = start + length;
    double from = start; // the first time not yet placed
    for (const Span& span : spans_) {
        if (endOf(span) <= from)
            continue;
        if (span.from >= end)
            break;
        if (span.from > from)
            parts.push_back({from - start, span.from - from, from - pausedBeforeLocked(from)});
        from = endOf(span);
        if (from >= end)
            return parts;
    }
    if (end > from)
        parts.push_back({from - start, end - from, from - pausedBeforeLocked(from)});
    return parts;
}

} // namespace tarnix
