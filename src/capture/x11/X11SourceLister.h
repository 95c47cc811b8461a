#pragma once

#include "capture/CaptureSource.h"
#include "capture/x11/X11Connection.h"

// Reads displays (RandR monitors), client windows (EWMH) and their owners from the X server.
// Any thread, with its own connection.

namespace tarnix::x11 {

std::vector<DisplayInfo> listDisplays(Connection& connection);

// Client windows, front-most first. Without a window manager's client list, the mapped children
// of the root window serve. Desktop, dock, splash, menu, tooltip and notification windows
// (_NET_WM_WINDOW_TYPE) are left out.
std::vector<WindowInfo> listWindows(Connection& connection);

// The process that owns the active window (_NET_ACTIVE_WINDOW): the frontmost application.
// Nothing when the window manager names no active window or its owner can't be found.
std::optional<std::int64_t> frontmostProcess(Connection& connection);

// Displays, windows and the applications owning them (grouped by application id, in the order
// of their front-most window). Raises X11Error when the server can't be read.
ShareableContent listShareableContent(Connection& connection);

} // namespace tarnix::x11
