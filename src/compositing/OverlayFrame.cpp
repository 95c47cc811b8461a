#include "compositing/OverlayFrame.h"

#include "compositing/CameraOverlayRenderer.h"
#include "compositing/ClickRippleRenderer.h"
#include "compositing/CursorOverlayRenderer.h"
#include "compositing/KeystrokeRenderer.h"
#include "compositing/RedactRenderer.h"
#include "compositing/TextRenderer.h"
#include "compositing/ZoomCrop.h"
#include "zoom/ZoomCompositor.h"

namespace tarnix::OverlayFrame {

namespace {

// The recording-shaped frame of a canvas of another aspect, in the output's pixels: the
// instruction gives it for its render size, which the prepared background has.
Rect overlayFrame(const OverlayInstruction& instruction, Size output)
{
    const Rect whole{0, 0, output.width, output.height};
    const auto& frame = instruction.edits().overlayFrame;
    if (!frame)
        return whole;
    const auto& background = instruction.backgroundFrame();
    if (!background || background->backgroundWithShadow.isNull())
        return *frame;
    const double kx = output.width / background->backgroundWithShadow.width();
    const double ky = output.height / background->backgroundWithShadow.height();
    return {frame->x * kx, frame->y * ky, frame->width * kx, frame->height * ky};
}

} // namespace

void draw(QImage& output, const OverlayInstruction& instruction, double time, const QImage& screen,
          const QImage& camera)
{
    draw(output, instruction, time, screen, camera,
         instruction.backgroundFrame() ? &*instruction.backgroundFrame() : nullptr);
}

void draw(QImage& output, const OverlayInstruction& instruction, double time, const QImage& screen,
          const QImage& camera, const BackgroundFrame* background)
{
    Size size{double(output.width()), double(output.height())};
    const double sourceTime = instruction.sourceTime(time);
    OverlayPlacement placement;
    placement.time = sourceTime;
    placement.zoom = ZoomCompositor::rect(sourceTime, instruction.regions());
    placement.background = background;
    placement.outputSize = size;
    // On a canvas of another aspect the overlays keep their size relative to the content: their
    // sizes are fractions of the recording-shaped frame's width rather than the canvas's.
    const Rect frame = overlayFrame(instruction, size);
    CursorOverlaySettings cursor = instruction.cursorSettings();
    if (size.width > 0)
        cursor.sizeFraction *= frame.width / size.width;

    graphics::Canvas canvas(output);
    graphics::ImageSlice zoomed = ZoomCompositor::crop(placement.zoom, screen, size);
    if (placement.background)
        BackgroundRenderer::drawOnto(canvas, zoomed, *placement.background);
    else
        canvas.drawSlice({0, 0, size.width, size.height}, zoomed,
                         QPainter::CompositionMode_Source);

    if (instruction.cameraTrackID() && !camera.isNull())
        CameraOverlayRenderer::composeInFrame(camera, canvas, frame, instruction.cameraSettings());
    CursorOverlayRenderer::draw(canvas, placement, instruction.cursorSamples(), cursor);
    ClickRippleRenderer::draw(canvas, placement, instruction.clickSamples(), cursor);
    auto blurred = RedactRenderer::canvasRects(placement, instruction.redactRegions());
    if (!blurred.empty())
        RedactRenderer::compose(canvas, blurred, size, {frame.width, frame.height});
    TextRenderer::draw(canvas, instruction.edits().textRegions, sourceTime);
    // A caption over the finished picture: never zoomed, never blurred.
    const KeystrokeOverlay& keys = instruction.keystrokes();
    KeystrokeRenderer::draw(canvas, sourceTime, frame.width, keys.keystrokes, keys.settings);
}

} // namespace tarnix::OverlayFrame
