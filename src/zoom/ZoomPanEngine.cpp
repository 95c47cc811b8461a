#include "zoom/ZoomPanEngine.h"

#include <algorithm>
#include <cmath>

#include "zoom/ZoomShape.h"

namespace tarnix::ZoomPanEngine {

namespace {

struct NormalizedClick {
    double t;
    double x;
    double y;
};

// Element frame in normalised capture space, kept inside the frame.
Rect normalizedElementRect(const Rect& element, const Rect& frame)
{
    if (!(frame.width > 0) || !(frame.height > 0))
        return {0.25, 0.25, 0.5, 0.5};
    double nx = (element.minX() - frame.minX()) / frame.width;
    double ny = 1 - (element.maxY() - frame.minY()) / frame.height;
    double x = clampUnit(nx);
    double y = clampUnit(ny);
    double w = std::min(std::max(element.width / frame.width, 0.0), 1 - x);
    double h = std::min(std::max(element.height / frame.height, 0.0), 1 - y);
    return {x, y, w, h};
}

Rect padAndFit(const Rect& r, double padding)
{
    double px = r.x - r.width * padding;
    double py = r.y - r.height * padding;
    double pw = r.width * (1 + 2 * padding);
    double ph = r.height * (1 + 2 * padding);
    double w = std::min(pw, 1.0);
    double h = std::min(ph, 1.0);
    return {std::min(std::max(px, 0.0), 1 - w), std::min(std::max(py, 0.0), 1 - h), w, h};
}

// The region of a padded element: frame-shaped about its centre, so the picture is never
// stretched, and held between the shallowest and deepest zoom, so that a text field does not
// become a sliver and a small button not a blur of a few pixels.
Rect elementRegionRect(const Rect& padded)
{
    double side = ZoomShape::heldSide(std::max(padded.width, padded.height));
    return ZoomShape::frameShaped({padded.midX(), padded.midY()}, side);
}

std::vector<NormalizedClick> sortedDownClicks(const RecordingTimeline& timeline)
{
    std::vector<ClickEvent> kept;
    for (const auto& click : timeline.clickEvents)
        if (isButtonDown(click.kind))
            kept.push_back(click);
    std::stable_sort(kept.begin(), kept.end(), [](const ClickEvent& a, const ClickEvent& b) {
        return a.timestamp < b.timestamp;
    });
    std::vector<NormalizedClick> out;
    out.reserve(kept.size());
    for (const auto& click : kept) {
        Point p = timeline.normalizedPoint(click.point, click.timestamp);
        out.push_back({click.timestamp, p.x, p.y});
    }
    return out;
}

} // namespace

std::optional<std::vector<ZoomRegion>>
makeElementBasedZoomRegions(const RecordingTimeline& timeline, const Parameters& parameters)
{
    auto samples = timeline.focusedElementSamples;
    std::stable_sort(samples.begin(), samples.end(),
                     [](const FocusedElementSample& a, const FocusedElementSample& b) {
                         return a.timestamp < b.timestamp;
                     });
    std::vector<ZoomRegion> regions;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        double t = samples[i].timestamp;
        double next = i + 1 < samples.size() ? samples[i + 1].timestamp : t + parameters.holdAfter;
        if (next - t < parameters.minimumDwell)
            continue;
        // Against the window's frame at that moment, then where its picture lies in the movie.
        Rect r = placedInPicture(normalizedElementRect(samples[i].rect, timeline.captureFrameAt(t)),
                                 timeline.pictureRectAt(t));
        if (r.width >= parameters.maxElementFraction && r.height >= parameters.maxElementFraction)
            continue;
        ZoomRegion region;
        region.start = std::max(t - parameters.leadIn, 0.0);
        region.end = next;
        region.rect = elementRegionRect(padAndFit(r, parameters.elementPadding));
        region.easing = EasingCurve::easeInOut;
        regions.push_back(region);
    }
    if (regions.empty())
        return std::nullopt;
    return regions;
}

std::vector<ZoomRegion> makeClickBasedZoomRegions(const RecordingTimeline& timeline,
                                                  const Parameters& parameters)
{
    std::vector<std::vector<NormalizedClick>> clusters;
    for (const auto& click : sortedDownClicks(timeline)) {
        if (!clusters.empty()) {
            const NormalizedClick& last = clusters.back().back();
            double distance = std::hypot(click.x - last.x, click.y - last.y);
            if (click.t - last.t <= parameters.clickMergeInterval &&
                distance <= parameters.clickMergeDistance) {
                clusters.back().push_back(click);
                continue;
            }
        }
        clusters.push_back({click});
    }

    double side = 1 / parameters.zoomLevel;
    std::vector<ZoomRegion> regions;
    regions.reserve(clusters.size());
    for (const auto& cluster : clusters) {
        double sumX = 0, sumY = 0;
        for (const auto& c : cluster) {
            sumX += c.x;
            sumY += c.y;
        }
        double n = static_cast<double>(cluster.size());
        ZoomRegion region;
        region.start = std::max(cluster.front().t - parameters.leadIn, 0.0);
        region.end = cluster.back().t + parameters.holdAfter;
        region.rect = ZoomShape::frameShaped({sumX / n, sumY / n}, side);
        region.easing = EasingCurve::easeInOut;
        regions.push_back(region);
    }
    return regions;
}

std::vector<ZoomRegion> makeAutomaticZoomRegions(const RecordingTimeline& timeline,
                                                 const Parameters& parameters)
{
    if (auto regions = makeElementBasedZoomRegions(timeline, parameters))
        return std::move(*regions);
    return makeClickBasedZoomRegions(timeline, parameters);
}

Rect defaultZoomRect(std::pair<double, double> range, const RecordingTimeline& timeline,
                     double zoomLevel)
{
    double middle = (range.first + range.second) / 2;
    const ClickEvent* nearest = nullptr;
    for (const auto& click : timeline.clickEvents) {
        if (!isButtonDown(click.kind))
            continue;
        if (!nearest ||
            std::abs(click.timestamp - middle) < std::abs(nearest->timestamp - middle))
            nearest = &click;
    }
    Point centre = nearest ? timeline.normalizedPoint(nearest->point, nearest->timestamp) : Point{0.5, 0.5};
    return ZoomShape::frameShaped(centre, 1 / zoomLevel);
}

} // namespace tarnix::ZoomPanEngine
