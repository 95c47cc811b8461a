#include "compositing/RedactRenderer.h"

#include <algorithm>

#include "graphics/GaussianBlur.h"

namespace tarnix::RedactRenderer {

namespace {
constexpr double kBlurFraction = 0.025;

bool intersectsUnitSquare(const Rect& r)
{
    return r.width > 0 && r.height > 0 && r.minX() < 1 && r.maxX() > 0 && r.minY() < 1 &&
           r.maxY() > 0;
}
} // namespace

double blurRadius(Size canvasSize)
{
    return std::max(canvasSize.width, canvasSize.height) * kBlurFraction;
}

std::vector<Rect> canvasRects(const OverlayPlacement& placement,
                              const std::vector<RedactRegion>& regions)
{
    std::vector<Rect> rects;
    const Rect& z = placement.zoom;
    if (!(z.width > 0) || !(z.height > 0))
        return rects;
    for (const RedactRegion& region : regions) {
        if (!(region.start <= placement.time && placement.time <= region.end))
            continue;
        const Rect& r = region.rect;
        Rect inZoom{(r.minX() - z.minX()) / z.width, (r.minY() - z.minY()) / z.height,
                    r.width / z.width, r.height / z.height};
        if (!intersectsUnitSquare(inZoom))
            continue;
        rects.push_back(ContentMapping::toCanvas(inZoom, placement.background, placement.outputSize));
    }
    return rects;
}

void compose(graphics::Canvas& onto, const std::vector<Rect>& regions, Size canvasSize)
{
    compose(onto, regions, canvasSize, canvasSize);
}

std::vector<QRect> pixelRects(const std::vector<Rect>& regions, Size canvasSize, QSize imageSize)
{
    std::vector<QRect> pixels;
    const double W = canvasSize.width, H = canvasSize.height;
    const QRect bounds(QPoint(0, 0), imageSize);
    for (const Rect& r : regions) {
        Rect p{W * r.minX(), H * (1 - r.maxY()), W * r.width, H * r.height};
        // Clipped while still in floating point, so that far-off rectangles cannot overflow.
        QRectF clipped = graphics::toImageRect(p, imageSize.height()).intersected(QRectF(bounds));
        if (clipped.isEmpty())
            continue;
        QRect area = clipped.toAlignedRect().intersected(bounds);
        if (!area.isEmpty())
            pixels.push_back(area);
    }
    return pixels;
}

void compose(graphics::Canvas& onto, const std::vector<Rect>& regions, Size canvasSize,
             Size blurFrameSize)
{
    if (regions.empty() || !(canvasSize.width > 0) || !(canvasSize.height > 0))
        return;
    graphics::blurRects(onto.image(), pixelRects(regions, canvasSize, onto.image().size()),
                        blurRadius(blurFrameSize));
}

void draw(graphics::Canvas& canvas, const OverlayPlacement& placement,
          const std::vector<RedactRegion>& regions)
{
    auto rects = canvasRects(placement, regions);
    if (!rects.empty())
        compose(canvas, rects, placement.outputSize);
}

} // namespace tarnix::RedactRenderer
