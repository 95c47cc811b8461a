#pragma once

#include <QImage>

#include "document/Geometry.h"
#include "graphics/Image.h"

// The crop half of the zoom motion: the part of a frame under a normalised zoom rectangle,
// scaled to cover the whole frame. The rectangles of the zoom motion are frame-shaped, so the
// picture keeps its proportions. Pure; any thread.

namespace tarnix::ZoomCompositor {

// The part of `image` under `rect` (normalised capture space: origin top-left, y down) as a slice
// that covers (0, 0, naturalSize). The rectangle is measured on the image's own pixels, so a frame
// whose size differs from naturalSize is zoomed the same way and stretched to naturalSize. A
// rectangle of zero (or not a number) width or height leaves the picture unzoomed.
graphics::ImageSlice crop(const Rect& rect, const QImage& image, Size naturalSize);
// The same crop of a picture of `pictureSize` pixels, top-left pixel coordinates.
QRectF cropRect(const Rect& rect, QSizeF pictureSize);

} // namespace tarnix::ZoomCompositor
