#pragma once

#include <QImage>
#include <QRect>

#include <functional>

// What the user sees: the X server's root window, read back from the server (what the window
// manager and a compositing manager did to our windows included), not a picture of our widgets.

namespace tarnix::test {

// The whole root window as Format_RGB32; null when there is no X server.
QImage grabScreen();

// Where a top-level window is as the X server has it, in root pixels: its client area, and the
// outermost window the window manager made around it (the client area itself when none did).
// Both empty when the server does not know the window.
struct WindowOnServer {
    QRect client;
    QRect frame;
};
WindowOnServer windowOnServer(unsigned long window);

// The share (0...1) of the pixels of `area` (clipped to the picture) for which `matches` holds.
double shareOfPixels(const QImage& picture, const QRect& area, const std::function<bool(QRgb)>& matches);

// Black as a window without a compositor shows its transparent parts: every channel under 10.
bool isNearBlack(QRgb pixel);

} // namespace tarnix::test
