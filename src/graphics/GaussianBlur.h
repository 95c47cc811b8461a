#pragma once

#include <QImage>
#include <QRect>

#include <vector>

#include "graphics/ImageScaler.h"

// A Gaussian blur that extends the picture's edge pixels outward ("clamp to extent"), so the
// border never fades to transparent. Separable, three box passes per direction: the cost is linear
// in the number of pixels whatever the radius. Only the pixels that are asked for are blurred,
// reading the kernel's reach around them. Large jobs are split across threads.
//
// Any thread may call these; each call works on its own buffers.

namespace tarnix::graphics {

// Box widths (odd) of the three passes whose result is closest to a Gaussian of standard
// deviation `sigma` (pixels). {1, 1, 1} (no blur) for a sigma that is not positive and finite.
std::vector<int> boxWidthsForGaussian(double sigma);

// Replaces the pixels of each rectangle (top-left pixel coordinates, clipped to the image) by
// those of the image blurred with standard deviation `sigma`. Every rectangle reads the image as it
// was before the call, so overlapping rectangles get the same pixels. `image` is in kPixelFormat.
void blurRects(QImage& image, const std::vector<QRect>& rects, double sigma);

// The same for one 8-bit plane (the Y, U or V plane of a 4:2:0 frame): the samples of each
// rectangle (clipped to the plane) are replaced by those of the plane blurred with standard
// deviation `sigma` (samples), its edges extended. Blurring Y, U and V alike is blurring the
// picture they encode, as the conversion is linear.
void blurPlaneRects(const Plane& plane, const std::vector<QRect>& rects, double sigma);

// The whole image blurred (a new image).
QImage blurred(const QImage& image, double sigma);

} // namespace tarnix::graphics
