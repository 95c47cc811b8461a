#pragma once

#include <QImage>

#include <vector>

#include "compositing/CursorTrack.h"
#include "compositing/OverlayInstruction.h"

// Draws one output frame of an overlay composition, in this order: the zoomed screen picture, the
// background around it, the camera bubble, the cursor, the click ripples, the redaction blur over
// all of these, and on top the text boxes and the keystroke pill (the blur never hides them). Pure
// apart from writing `output`; any thread.

namespace tarnix::OverlayFrame {

// Fills `output` (the output size, kPixelFormat, not shared) with the frame at composition time
// `time` seconds (the instruction maps it to the source time everything timed is drawn at).
// `screen` is the screen frame (any size), `camera` the camera frame or a null image.
void draw(QImage& output, const OverlayInstruction& instruction, double time, const QImage& screen,
          const QImage& camera);
// The same with another prepared background than the instruction's: one made for the output's
// size when that differs from the render size (BackgroundRenderer::resizedFrame), so that a
// smaller picture is drawn straight at its size. Nothing: no background.
void draw(QImage& output, const OverlayInstruction& instruction, double time, const QImage& screen,
          const QImage& camera, const BackgroundFrame* background);

// Where everything of one frame goes: the zoom, the background, the source time, the
// recording-shaped frame the overlays are sized by and the cursor's settings at that size.
struct Layout {
    // The composition (movie) time: captions and the keystroke pill are timed on it, so a fast
    // span does not shorten them.
    double movieTime = 0;
    OverlayPlacement placement;
    Rect frame;
    CursorOverlaySettings cursor;
};
Layout layout(const OverlayInstruction& instruction, double time, Size output,
              const BackgroundFrame* background);

// The layers over the screen picture, in order: bubble, cursor, ripples, blur, text, keys.
void drawLayers(graphics::Canvas& canvas, const OverlayInstruction& instruction,
                const Layout& layout, const QImage& camera);
// The same in three steps, for a picture that blurs elsewhere: the layers the blur covers
// (bubble, cursor, ripples), the blurred rectangles (normalised canvas space), the layers over it.
void drawLayersUnderBlur(graphics::Canvas& canvas, const OverlayInstruction& instruction,
                         const Layout& layout, const QImage& camera);
std::vector<Rect> blurredRects(const OverlayInstruction& instruction, const Layout& layout);
void drawLayersOverBlur(graphics::Canvas& canvas, const OverlayInstruction& instruction,
                        const Layout& layout);

} // namespace tarnix::OverlayFrame
