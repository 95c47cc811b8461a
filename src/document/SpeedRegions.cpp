#include "document/SpeedRegions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnix {

namespace {

void sortByStart(std::vector<SpeedRegion>& regions)
{
    std::stable_sort(regions.begin(), regions.end(),
                     [](const SpeedRegion& a, const SpeedRegion& b) { return a.start < b.start; });
}

} // namespace

bool isSpeedFactor(double speed)
{
    return std::find(std::begin(kSpeedFactors), std::end(kSpeedFactors), speed) !=
           std::end(kSpeedFactors);
}

std::string speedLabel(double speed)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g\u00d7", speed);
    return text;
}

std::optional<std::pair<SpeedRegion, SpeedRegion>>
overlappingSpeedRegions(const std::vector<SpeedRegion>& regions)
{
    std::vector<SpeedRegion> sorted = regions;
    sortByStart(sorted);
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i].start < sorted[i - 1].end)
            return std::pair{sorted[i - 1], sorted[i]};
    return std::nullopt;
}

std::vector<SpeedRegion> addingSpeed(const std::vector<SpeedRegion>& regions, double start,
                                     double end, double speed, double sourceDuration)
{
    std::vector<SpeedRegion> result = regions;
    sortByStart(result);
    if (sourceDuration > 0) {
        start = std::max(start, 0.0);
        end = std::min(end, sourceDuration);
    }
    if (!std::isfinite(start) || !std::isfinite(end) || !(end > start) || !isSpeedFactor(speed))
        return result;
    std::vector<SpeedRegion> next;
    for (const SpeedRegion& r : result) {
        if (r.end <= start || r.start >= end) {
            next.push_back(r);
            continue;
        }
        if (r.start < start)
            next.push_back({r.id, r.start, start, r.speed});
        if (r.end > end)
            next.push_back({r.start < start ? Uuid::random() : r.id, end, r.end, r.speed});
    }
    next.push_back({Uuid::random(), start, end, speed});
    sortByStart(next);
    return next;
}

} // namespace tarnix
