#include "compositing/ClickRippleRenderer.h"

#include <algorithm>
#include <cmath>

#include "compositing/ShapeRenderer.h"

namespace tarnix::ClickRippleRenderer {

namespace {

constexpr double kLineWidthFraction = 0.16;
constexpr double kMinLineWidth = 1.0;
constexpr double kStartDiameter = 0.55; // × base at the press
constexpr double kGrowth = 1.85;        // × base added by the end
constexpr double kStartAlpha = 0.6;

} // namespace

std::optional<std::size_t> firstIndex(double t, const std::vector<NormalizedClickSample>& samples)
{
    std::size_t lo = 0, hi = samples.size();
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (samples[mid].time < t)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < samples.size())
        return lo;
    return std::nullopt;
}

void draw(graphics::Canvas& canvas, const OverlayPlacement& placement,
          const std::vector<NormalizedClickSample>& samples, const CursorOverlaySettings& settings)
{
    if (!settings.showsClickRipples || samples.empty())
        return;
    double W = placement.outputSize.width, H = placement.outputSize.height;
    double base = W * settings.sizeFraction;
    if (!(base > 0) || !std::isfinite(base))
        return;
    double lineWidth = std::max(base * kLineWidthFraction, kMinLineWidth);
    double t = placement.time;
    auto first = firstIndex(t - kDuration, samples);
    if (!first)
        return;
    for (std::size_t i = *first; i < samples.size(); ++i) {
        const auto& press = samples[i];
        if (press.time > t)
            break;
        double age = t - press.time;
        if (!(age >= 0 && age <= kDuration))
            continue;
        auto uv = placement.canvasPoint(press.point);
        if (!uv)
            continue;
        double p = age / kDuration;
        double e = p <= 0 ? 0 : 1 - std::pow(1 - std::min(p, 1.0), 2);
        double diameter = base * (kStartDiameter + kGrowth * e);
        double alpha = kStartAlpha * (1 - e);
        QImage ring = ShapeRenderer::circle(diameter, QColor::fromRgbF(1, 1, 1, float(alpha)),
                                            lineWidth);
        if (ring.isNull())
            continue;
        Point centre{W * uv->x, H * (1 - uv->y)};
        canvas.drawImage({centre.x - diameter / 2, centre.y - diameter / 2, double(ring.width()),
                          double(ring.height())},
                         ring);
    }
}

} // namespace tarnix::ClickRippleRenderer
