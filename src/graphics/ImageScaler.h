#pragma once

#include <QImage>
#include <QRectF>

#include <cstdint>

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

// One 8-bit plane of a planar picture (the Y, U or V plane of a 4:2:0 frame): width × height
// samples, rows `stride` bytes apart.
template <typename Byte>
struct PlaneOf {
    Byte* data = nullptr;
    qsizetype stride = 0;
    int width = 0;
    int height = 0;
};
using Plane = PlaneOf<std::uint8_t>;
using ConstPlane = PlaneOf<const std::uint8_t>;

// The same stretching for one plane, except at the edges: every sample the target rectangle
// touches is replaced, the partly covered ones included (the caller mixes those itself). Returns
// false (drawing nothing) where scaleInto would.
bool scalePlaneInto(const Plane& target, const QRectF& targetRect, const ConstPlane& source,
                    const QRectF& sourceRect);

} // namespace tarnix::graphics
