#pragma once

#include <QPainter>

#include "document/LookSettings.h"

// How the preview handles are drawn in their box: the camera bubble's outline (circle or rounded
// square) with the "move" glyph (the icon set's when it has one, else four arrowheads drawn
// here), a blur box's shaded outline with the eye, a text box's dashed outline.

namespace tarnix::HandleGlyphs {

void drawMove(QPainter& painter, QPointF centre, double size);
void drawCamera(QPainter& painter, const QRectF& box, const CameraOverlaySettings& settings);
void drawRedact(QPainter& painter, const QRectF& box);
void drawText(QPainter& painter, const QRectF& box);

} // namespace tarnix::HandleGlyphs
