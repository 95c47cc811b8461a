#include "compositing/OverlayFrame.h"

#include "compositing/CameraOverlayRenderer.h"
#include "compositing/ClickRippleRenderer.h"
#include "compositing/CursorOverlayRenderer.h"
#include "compositing/RedactRenderer.h"
#include "compositing/ZoomCrop.h"
#include "zoom/ZoomCompositor.h"

namespace tarnix::OverlayFrame {

void draw(QImage& output, const OverlayInstruction& instruction, double time, const QImage& screen,
          const QImage& camera)
{
    Size size{double(output.width()), double(output.height())};
    const double sourceTime = instruction.sourceTime(time);
    OverlayPlacement placement;
    placement.time = sourceTime;
    placement.zoom = ZoomCompositor::rect(sourceTime, instruction.regions());
    placement.background = instruction.backgroundFrame() ? &*instruction.backgroundFrame() : nullptr;
    placement.outputSize = size;
    // On a canvas of another aspect the overlays keep their size relative to the content: their
    // sizes are fractions of the recording-shaped frame's width rather than the canvas's.
    const Rect frame = instruction.edits().overlayFrame.value_or(Rect{0, 0, size.width, size.height});
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
}

} // namespace tarnix::OverlayFrame
