#pragma once

#include <vector>

#include "compositing/CursorTrack.h"
#include "document/Geometry.h"
#include "document/RecordingTimeline.h"
#include "graphics/Canvas.h"

// Redaction: hides the areas of the active blur regions behind a strong Gaussian blur. A region's
// rectangle follows the zoom and the background's content rectangle, so the blur stays on the same
// screen content. Runs last, so it also blurs the cursor, ripples and camera bubble. Pure; any
// thread.

namespace tarnix::RedactRenderer {

// The blur's standard deviation for a canvas: 2.5 % of its longer side (48 px at 1920).
double blurRadius(Size canvasSize);

// The rectangles (normalised canvas space) of the regions active at placement.time (both ends
// included) that the zoom keeps in the picture, in list order. They are not clipped.
std::vector<Rect> canvasRects(const OverlayPlacement& placement,
                              const std::vector<RedactRegion>& regions);

// The pixels (top-left origin) of an image of `imageSize` that the rectangles (normalised space of
// a canvas of canvasSize pixels) touch, clipped to the image; empty ones left out.
std::vector<QRect> pixelRects(const std::vector<Rect>& regions, Size canvasSize, QSize imageSize);

// Blurs the canvas within each rectangle (normalised canvas space; pixels partly covered are
// blurred entirely). Every rectangle takes its pixels from the same blurred picture.
void compose(graphics::Canvas& onto, const std::vector<Rect>& regions, Size canvasSize);
// The same with the blur of a frame of another size (blurRadius(blurFrameSize)): the overlay frame
// on a canvas of another aspect than the recording.
void compose(graphics::Canvas& onto, const std::vector<Rect>& regions, Size canvasSize,
             Size blurFrameSize);

// The redaction pass of one frame: canvasRects, then compose.
void draw(graphics::Canvas& canvas, const OverlayPlacement& placement,
          const std::vector<RedactRegion>& regions);

} // namespace tarnix::RedactRenderer
