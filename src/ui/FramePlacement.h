#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Places a decorated top-level window so that all of it, the window manager's frame (title bar,
// borders) included, lies on its screen.
//
// Qt places a window's client area; an X window manager puts its frame around it only once the
// window is mapped, and says how big that frame is some moments later (the window is reparented,
// _NET_FRAME_EXTENTS is set), without any event reaching the window. A window placed before then
// is placed as if it had no frame: at the top of the screen, its title bar ends up above the
// screen, out of the user's reach. And some window managers push a window that grows taller
// upwards until its title bar leaves the screen. So a placed window is watched: for a few seconds
// it is moved inside the screen, frame included, as soon as its frame is known; from then on its
// title bar is brought back whenever a move or a resize has put it above the screen.
//
// Threads: GUI thread only. Geometry in points, global coordinates.

namespace tarnix::FramePlacement {

// `client` moved, and made lower and narrower as far as `least` allows, so that it and `frame`
// around it lie inside `available`. What cannot be fit (a window that may not be made any
// smaller) hangs below and to the right, so that the title bar stays on the screen.
QRect inside(const QRect& available, QRect client, const QMargins& frame, QSize least = {});

// The frame around `window`'s client area as Qt knows it now: empty until the window manager has
// framed the window (and for an undecorated one).
QMargins frameOf(const QWidget& window);

// Sets `window`'s client area to `client`, moved inside the available area of the screen it lands
// on, frame included, and keeps it there as said above. The window is never made smaller than
// `least` nor than its minimum size.
void place(QWidget& window, const QRect& client, QSize least = {});

} // namespace tarnix::FramePlacement
