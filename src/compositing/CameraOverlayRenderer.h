#pragma once

#include <QImage>

#include "document/Geometry.h"
#include "document/LookSettings.h"
#include "graphics/Canvas.h"
#include "graphics/Image.h"

// The camera bubble: a square from the middle of the camera frame, shaped as a circle or a
// rounded square, optionally mirrored, with a thin light border, centred on the settings'
// position. Its edges and border are anti-aliased from each pixel's exact distance to the outline,
// which smooths them as well as drawing at twice the size and scaling down would, at a quarter of
// the pixels. Pure; any thread.

namespace tarnix::CameraOverlayRenderer {

// Draws the bubble of `camera` (any size; kPixelFormat) over the canvas of outputSize pixels when
// the overlay is enabled and the bubble is wider than one pixel; otherwise leaves it untouched.
void compose(const QImage& camera, graphics::Canvas& onto, Size outputSize,
             const CameraOverlaySettings& settings);
// The same with the position and size taken within `frame` (canvas pixels, lower-left origin)
// instead of the whole canvas: the recording-shaped frame on a canvas of another aspect.
void composeInFrame(const QImage& camera, graphics::Canvas& onto, const Rect& frame,
                    const CameraOverlaySettings& settings);

// Where the bubble's centre lies within `frame` (canvas pixels, lower-left origin); its side is
// about frame.width × settings.sizeFraction.
Point bubbleCentre(const Rect& frame, const CameraOverlaySettings& settings);

// The bubble bitmap of pixelSize (rounded), drawn from a square camera picture at renderScale
// (the corner radius and the 3 px border scale with it); a null image when it cannot be made.
QImage renderBubble(const graphics::ImageSlice& cameraSquare, Size pixelSize,
                    const CameraOverlaySettings& settings, double renderScale);

// The side × side square centred on the picture, side being its shorter dimension (top-left
// pixel coordinates); empty for an empty picture.
QRectF centredSquare(const QImage& camera);

} // namespace tarnix::CameraOverlayRenderer
