#include "compositing/CursorOverlayRenderer.h"

#include <algorithm>
#include <cmath>

#include "compositing/ShapeRenderer.h"

namespace tarnix::CursorOverlayRenderer {

namespace {

constexpr double kRingWidthFraction = 0.16;
constexpr double kMinRingWidth = 1.5;

void drawSystemArrow(graphics::Canvas& canvas, Point centre, double size)
{
    const auto& cursor = system();
    if (!cursor || !(cursor->pixelSize.width > 0))
        return;
    double s = size / cursor->pixelSize.width;
    if (!(s > 0) || !std::isfinite(s))
        return;
    // The hot spot lands on the cursor position.
    Rect target{centre.x - s * cursor->hotSpot.x, centre.y - s * cursor->hotSpot.y,
                s * cursor->pixelSize.width, s * cursor->pixelSize.height};
    canvas.drawImage(target, cursor->image);
}

void drawCentred(graphics::Canvas& canvas, const QImage& shape, Point centre, double diameter)
{
    if (shape.isNull())
        return;
    canvas.drawImage({centre.x - diameter / 2, centre.y - diameter / 2, double(shape.width()),
                      double(shape.height())},
                     shape);
}

} // namespace

const std::optional<SystemCursor>& system()
{
    static const std::optional<SystemCursor> cursor = SystemCursorLoader::load();
    return cursor;
}

std::optional<Placed> placed(const OverlayPlacement& placement,
                             const std::vector<NormalizedCursorSample>& samples,
                             const CursorOverlaySettings& settings)
{
    auto position = CursorTrack::position(placement.time, samples);
    if (!position)
        return std::nullopt;
    auto uv = placement.canvasPoint(*position);
    if (!uv || !settings.isEnabled)
        return std::nullopt;
    double W = placement.outputSize.width, H = placement.outputSize.height;
    double size = W * settings.sizeFraction;
    if (!(size > 0) || !std::isfinite(size))
        return std::nullopt;
    return Placed{{W * uv->x, H * (1 - uv->y)}, size};
}

void draw(graphics::Canvas& canvas, const OverlayPlacement& placement,
          const std::vector<NormalizedCursorSample>& samples, const CursorOverlaySettings& settings)
{
    const std::optional<Placed> at = placed(placement, samples, settings);
    if (!at)
        return;
    const Point centre = at->centre;
    const double size = at->size;
    switch (settings.style) {
    case CursorStyle::system:
        drawSystemArrow(canvas, centre, size);
        break;
    case CursorStyle::dot:
        drawCentred(canvas, ShapeRenderer::circle(size, Qt::white), centre, size);
        break;
    case CursorStyle::ring:
        drawCentred(canvas,
                    ShapeRenderer::circle(size, Qt::white,
                                          std::max(size * kRingWidthFraction, kMinRingWidth)),
                    centre, size);
        break;
    }
}

} // namespace tarnix::CursorOverlayRenderer
