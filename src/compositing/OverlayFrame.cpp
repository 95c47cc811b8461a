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
    OverlayPlacement placement;
    placement.time = time;
    placement.zoom = ZoomCompositor::rect(time, instruction.regions());
    placement.background = instruction.backgroundFrame() ? &*instruction.backgroundFrame() : nullptr;
    placement.outputSize = size;

    graphics::Canvas canvas(output);
    graphics::ImageSlice zoomed = ZoomCompositor::crop(placement.zoom, screen, size);
    if (placement.background)
        BackgroundRenderer::drawOnto(canvas, zoomed, *placement.background);
    else
        canvas.drawSlice({0, 0, size.width, size.height}, zoomed,
                         QPainter::CompositionMode_Source);

    if (instruction.cameraTrackID() && !camera.isNull())
        CameraOverlayRenderer::compose(camera, canvas, size, instruction.cameraSettings());
    CursorOverlayRenderer::draw(canvas, placement, instruction.cursorSamples(),
                                instruction.cursorSettings());
    ClickRippleRenderer::draw(canvas, placement, instruction.clickSamples(),
                              instruction.cursorSettings());
    RedactRenderer::draw(canvas, placement, instruction.redactRegions());
}

} // namespace tarnix::OverlayFrame
