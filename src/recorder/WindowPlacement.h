#pragma once

#include <QRect>
#include <QSize>

// Where the recorder window goes on its screen, as plain geometry (top-left origin, points).
// Both shrink the requested size to leave 40 points of the available area free.

namespace tarnix::WindowPlacement {

// Centred horizontally, hanging `margin` points below the top of the available area.
QRect topAnchored(const QRect& available, QSize requested, int margin);

// Centred on the available area.
QRect centered(const QRect& available, QSize requested);

} // namespace tarnix::WindowPlacement
