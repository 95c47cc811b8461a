#pragma once

#include <QPainter>

// The "move" glyph at the camera handle's centre: the icon set's when it has one, else four
// arrowheads drawn here.

namespace tarnix::HandleGlyphs {

void drawMove(QPainter& painter, QPointF centre, double size);

} // namespace tarnix::HandleGlyphs
