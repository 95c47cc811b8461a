#pragma once

#include <QImage>
#include <QRectF>

// Bilinear stretching of one image into another, for the large per-frame copies (the zoomed screen
// picture into the output or the background's content rectangle). Faster than the general painter
// path because it only replaces pixels: no blending inside the target rectangle.
//
// Pure apart from writing `target`; any thread.

namespace tarnix::graphics {

// Draws `sourceRect` of `source` (pixel coordinates, top-left origin) stretched over `targetRect`
// of `target` (same convention), replacing the pixels under it. Samples beyond the source
// rectangle's pixels repeat its edge pixels. Pixels only partly inside targetRect are mixed with what they held, by
// the covered fraction. Both images are kPixelFormat; returns false (drawing nothing) for inputs
// it does not handle (other formats, a source rectangle within fewer than 2 × 2 pixels, empty or non-finite rectangles).
bool scaleInto(QImage& target, const QRectF& targetRect, const QImage& source,
               const QRectF& sourceRect);

} // namespace tarnix::graphics
