#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

#include "document/Geometry.h"
#include "document/LookSettings.h"

// Image helpers shared by the renderers: the one pixel format, allocation, colours and the rounding
// rule for pixel counts. Every function is pure and may be called from any thread; QImage values
// are implicitly shared, so a finished image may be read from several threads at once as long as
// nobody calls a non-const member on a shared copy.

namespace tarnix::graphics {

// BGRA bytes in memory, premultiplied alpha: the pixel format of every frame and layer.
inline constexpr QImage::Format kPixelFormat = QImage::Format_ARGB32_Premultiplied;

// A width × height image in kPixelFormat filled with `fill`; a null image when a side is below 1
// or the memory cannot be had.
QImage makeImage(int width, int height, const QColor& fill = Qt::transparent);

// The image in kPixelFormat (a shallow copy when it already is).
QImage inPixelFormat(const QImage& image);

// Rounds a float pixel size to a whole count: to nearest, halves away from zero. Values that are
// not finite or do not fit give 0.
int roundedPixels(double value);

// The colour's red, green and blue, fully opaque (the alpha of a CodableColor is not used here).
QColor opaqueColor(const CodableColor& color);

// A part of an image standing for a picture of `size` pixels: drawn at the origin, `sourceRect`
// (pixel coordinates of `image`, top-left origin) covers (0, 0, size.width, size.height). This is
// how a crop-and-scale is described without producing pixels; pixels are made when it is drawn.
struct ImageSlice {
    QImage image;
    QRectF sourceRect;
    Size size;
};

// The whole image at its own size.
ImageSlice wholeImage(const QImage& image);

// The slice drawn into a new image of its size (rounded); null when empty.
QImage render(const ImageSlice& slice);

} // namespace tarnix::graphics
