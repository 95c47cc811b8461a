#include "compositing/ZoomCrop.h"

#include "graphics/Canvas.h"

namespace tarnix::ZoomCompositor {

graphics::ImageSlice crop(const Rect& rect, const QImage& image, Size naturalSize)
{
    double W = image.width(), H = image.height();
    graphics::ImageSlice slice{image, QRectF(0, 0, W, H), naturalSize};
    // The crop in the picture's bottom-up pixels: y measured from the bottom edge.
    Rect pixels{W * rect.minX(), H * (1 - rect.maxY()), W * rect.width, H * rect.height};
    if (!(pixels.width > 0) || !(pixels.height > 0))
        return slice;
    slice.sourceRect = graphics::toImageRect(pixels, H);
    return slice;
}

} // namespace tarnix::ZoomCompositor
