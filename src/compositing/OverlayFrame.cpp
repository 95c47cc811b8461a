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

Layout layout(const OverlayInstruction& instruction, double time, Size size,
              const BackgroundFrame* background)
{
    Layout out;
    out.movieTime = time;
    out.placement.time = instruction.sourceTime(time);
    out.placement.zoom = ZoomCompositor::rect(out.placement.time, instruction.regions());
    out.placement.background = background;
    out.placement.outputSize = size;
    // On a canvas of another aspect the overlays keep their size relative to the content: their
    // sizes are fractions of the recording-shaped frame's width rather than the canvas's.
    out.frame = overlayFrame(instruction, size);
    out.cursor = instruction.cursorSettings();
    if (size.width > 0)
        out.cursor.sizeFraction *= out.frame.width / size.width;
    return out;
}

void draw(QImage& output, const OverlayInstruction& instruction, double time, const QImage& screen,
          const QImage& camera, const BackgroundFrame* background)
{
    Size size{double(output.width()), double(output.height())};
    const Layout at = layout(instruction, time, size, background);
    graphics::Canvas canvas(output);
    graphics::ImageSlice zoomed = ZoomCompositor::crop(at.placement.zoom, screen, size);
    if (background)
        BackgroundRenderer::drawOnto(canvas, zoomed, *background);
    else
        canvas.drawSlice({0, 0, size.width, size.height}, zoomed,
                         QPainter::CompositionMode_Source);
    drawLayers(canvas, instruction, at, camera);
}

void drawLayers(graphics::Canvas& canvas, const OverlayInstruction& instruction,
                const Layout& layout, const QImage& camera)
{
    drawLayersUnderBlur(canvas, instruction, layout, camera);
    auto blurred = blurredRects(instruction, layout);
    if (!blurred.empty())
        RedactRenderer::compose(canvas, blurred, layout.placement.outputSize,
                                {layout.frame.width, layout.frame.height});
    drawLayersOverBlur(canvas, instruction, layout);
}

void drawLayersUnderBlur(graphics::Canvas& canvas, const OverlayInstruction& instruction,
                         const Layout& layout, const QImage& camera)
{
    const OverlayPlacement& placement = layout.placement;
    if (instruction.cameraTrackID() && !camera.isNull())
        CameraOverlayRenderer::composeInFrame(camera, canvas, layout.frame,
                                              instruction.cameraSettings());
    CursorOverlayRenderer::draw(canvas, placement, instruction.cursorSamples(), layout.cursor);
    ClickRippleRenderer::draw(canvas, placement, instruction.clickSamples(), layout.cursor);
}

std::vector<Rect> blurredRects(const OverlayInstruction& instruction, const Layout& layout)
{
    return RedactRenderer::canvasRects(layout.placement, instruction.redactRegions());
}

void drawLayersOverBlur(graphics::Canvas& canvas, const OverlayInstruction& instruction,
                        const Layout& layout)
{
    // Captions over the finished picture, never zoomed, never blurred, timed on the movie's clock.
    TextRenderer::draw(canvas, instruction.edits().textRegions, layout.movieTime);
    const KeystrokeOverlay& keys = instruction.keystrokes();
    KeystrokeRenderer::draw(canvas, layout.movieTime, layout.frame.width, keys.keystrokes,
                            keys.settings);
}

} // namespace tarnix::OverlayFrame
