#pragma once

#include <QColor>
#include <QImage>

#include <optional>

// Small round shapes for the cursor styles and the click ripples. Pure; any thread.

namespace tarnix::ShapeRenderer {

// A disc (no line width, or one not above 0) or a ring stroked inside the circle, of `diameter`
// pixels, centred at (diameter / 2, diameter / 2) of an image whose side is the diameter rounded
// up. A null image when the diameter is not a positive finite number or the bitmap cannot be made.
QImage circle(double diameter, const QColor& color, std::optional<double> lineWidth = std::nullopt);

} // namespace tarnix::ShapeRenderer
