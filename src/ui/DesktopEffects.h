#pragma once

#include <QRegion>

class QWindow;

// What the X11 desktop can do for a translucent window, and the requests for it. Every call is a
// harmless no-op on another platform (Wayland, offscreen).
//
// Threads: GUI thread only (it uses Qt's X connection).

namespace tarnix::DesktopEffects {

// Whether a compositing manager runs, so that per-pixel transparency shows the desktop behind.
bool hasCompositor();

// Whether the window manager blurs behind windows on request (KWin's blur-behind region).
bool offersBlurBehind();

// Asks the window manager to blur behind `region` (window coordinates, device pixels); an empty
// region withdraws the request. Returns whether the request could be made.
bool requestBlurBehind(QWindow* window, const QRegion& region);

} // namespace tarnix::DesktopEffects
