#include "compositing/CursorTrack.h"

namespace tarnix {

namespace CursorTrack {

std::optional<Point> position(double t, const std::vector<NormalizedCursorSample>& samples)
{
    if (samples.empty())
        return std::nullopt;
    if (t <= samples.front().time)
        return samples.front().point;
    if (t >= samples.back().time)
        return samples.back().point;
    if (t != t)
        return samples.front().point; // not a number: no bracketing pair exists
    std::size_t lo = 0, hi = samples.size() - 1;
    while (hi - lo > 1) {
        std::size_t mid = (lo + hi) / 2;
        if (t < samples[mid].time)
            hi = mid;
        else
            lo = mid;
    }
    const auto& a = samples[lo];
    const auto& b = samples[hi];
    double span = b.time - a.time;
    double f = span > 0 ? (t - a.time) / span : 0;
    return Point{a.point.x + (b.point.x - a.point.x) * f, a.point.y + (b.point.y - a.point.y) * f};
}

std::optional<Point> zoomed(Point p, const Rect& z)
{
    if (!(z.width > 0) || !(z.height > 0))
        return std::nullopt;
    double u = (p.x - z.minX()) / z.width;
    double v = (p.y - z.minY()) / z.height;
    if (u >= 0 && u <= 1 && v >= 0 && v <= 1)
        return Point{u, v};
    return std::nullopt;
}

} // namespace CursorTrack

namespace ContentMapping {

namespace {
bool maps(const BackgroundFrame* frame, Size size)
{
    return frame && size.width > 0 && size.height > 0;
}
} // namespace

Point toCanvas(Point p, const BackgroundFrame* frame, Size size)
{
    if (!maps(frame, size))
        return p;
    return {(frame->contentOrigin.x + frame->contentSize.width * p.x) / size.width,
            (frame->contentOrigin.y + frame->contentSize.height * p.y) / size.height};
}

Rect toCanvas(const Rect& r, const BackgroundFrame* frame, Size size)
{
    if (!maps(frame, size))
        return r;
    Point origin = toCanvas(Point{r.x, r.y}, frame, size);
    return {origin.x, origin.y, frame->contentSize.width * r.width / size.width,
            frame->contentSize.height * r.height / size.height};
}

} // namespace ContentMapping

std::optional<Point> OverlayPlacement::canvasPoint(Point capturePoint) const
{
    auto inZoom = CursorTrack::zoomed(capturePoint, zoom);
    if (!inZoom)
        return std::nullopt;
    return ContentMapping::toCanvas(*inZoom, background, outputSize);
}

} // namespace tarnix
