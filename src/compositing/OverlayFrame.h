#pragma once

#include <QImage>

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

} // namespace tarnix::OverlayFrame
