#include "compositing/ZoomCrop.h"

#include "graphics/Canvas.h"

namespace tarnix::ZoomCompositor {

graphics::ImageSlice crop(const Rect& rect, const QImage& image, Size naturalSize)
{
    return {image, cropRect(rect, QSizeF(image.size())), naturalSize};
}

QRectF cropRect(const Rect& rect, QSizeF pictureSize)
{
    double W = pictureSize.width(), H = pictureSize.height();
    // The crop in the picture's bottom-up pixels: y measured from the bottom edge.
    Rect pixels{W * rect.minX(), H * (1 - rect.maxY()), W * rect.width, H * rect.height};
    if (!(pixels.width > 0) || !(pixels.height > 0))
        return QRectF(0, 0, W, H);
    return graphics::toImageRect(pixels, H);
}

} // namespace tarnix::ZoomCompositor
