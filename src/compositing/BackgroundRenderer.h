#pragma once

#include <QImage>

#include <memory>
#include <optional>
#include <vector>

#include "document/Geometry.h"
#include "document/LookSettings.h"
#include "graphics/Canvas.h"
#include "graphics/Image.h"

// The background canvas: a background picture, the screen picture shrunk into a centred content
// rectangle inset by the padding, rounded corners and a soft shadow around the content.
//
// Everything that is the same for every frame is prepared once per composition build by makeFrame()
// and kept in a BackgroundFrame; per frame only the screen picture is scaled, masked and laid over
// it (compose(), drawOnto()).
//
// Geometry is in canvas pixels with the origin at the lower-left corner, y up. Every operation is a
// pure function and may run on any thread; no operation fails: each falls back to a defined
// picture.

namespace tarnix {

// The prepared background of one composition. Immutable once made; copies share the images.
struct BackgroundFrame {
    Size contentSize;            // canvas pixels
    Point contentOrigin;         // lower-left corner of the content rectangle, canvas pixels
    QImage backgroundWithShadow; // canvas-sized, kPixelFormat: background with the shadow on it
    QImage mask;                 // content-sized Grayscale8: white inside the rounded rectangle
    double cornerRadius = 0;     // canvas pixels, of the mask's rounded rectangle

    // The runs of mask pixels that are not fully white (the corners and the partial edge pixels),
    // found once by makeFrame so that frames touch only those; computed on the fly when absent.
    struct MaskRun {
        int row;   // mask row, top-left origin
        int begin; // first column
        int end;   // one past the last column
    };
    std::shared_ptr<const std::vector<MaskRun>> maskEdges;

    Rect contentRect() const
    {
        return {contentOrigin.x, contentOrigin.y, contentSize.width, contentSize.height};
    }
};

namespace BackgroundRenderer {

// The prepared background for a canvas of the composition's render size, or nothing when the style
// is none or the padding leaves no content (padding 0.5 or more, a tiny canvas).
std::optional<BackgroundFrame> makeFrame(Size canvasSize, const BackgroundSettings& settings);
// The same for a canvas of another aspect than the recording: the content keeps the recording's
// aspect (width / height) and is fitted, centred, into the canvas less the padding on each side.
std::optional<BackgroundFrame> makeFrame(Size canvasSize, const BackgroundSettings& settings,
                                         double contentAspect);

// The same background for a canvas of another size (the preview's, smaller than the render size):
// the picture with its shadow scaled to it, the content rectangle and the corners in proportion,
// the mask drawn afresh at the new size. Nothing for an empty size or a frame without a picture.
std::optional<BackgroundFrame> resizedFrame(const BackgroundFrame& frame, QSize canvasSize);

// The screen picture laid into the frame's content rectangle over the background: a new
// canvas-sized image.
QImage compose(const graphics::ImageSlice& screen, const BackgroundFrame& frame);

// The same picture drawn into `canvas`, which has the frame's canvas size; what the canvas held
// before is replaced.
void drawOnto(graphics::Canvas& canvas, const graphics::ImageSlice& screen,
              const BackgroundFrame& frame);

// The bare background picture (no shadow) of canvas size, opaque.
QImage makeBackgroundImage(Size canvasSize, const BackgroundSettings& settings);

// Building blocks of the above.

// A diagonal two-colour gradient: the preset's first colour at the top-left corner, its second at
// the bottom-right corner.
QImage gradientImage(Size canvasSize, const GradientPreset& preset);
// The image scaled uniformly to cover the canvas and cropped equally on both sides (aspect fill).
QImage fillCrop(const QImage& image, Size canvasSize);
// Canvas-sized, transparent except for the halo that the rounded content rectangle casts (black
// with alpha up to shadowOpacity, blurred with a standard deviation of 1 % of the canvas width).
QImage makeShadowLayer(Size canvasSize, const Rect& contentRect,
                       const BackgroundSettings& settings);
// Grayscale8 of the size (rounded): white inside the rounded rectangle, black outside.
QImage makeMask(Size size, double cornerRadius);
// The runs of pixels of a Grayscale8 mask that are not fully white.
std::vector<BackgroundFrame::MaskRun> findMaskEdges(const QImage& mask);
// The image where the mask is white, transparent where it is black (the mask lies at the origin).
QImage applyMask(const QImage& image, const QImage& mask);

} // namespace BackgroundRenderer

} // namespace tarnix
