#pragma once

#include <memory>

#include "capture/KeySource.h"

// Watches the keyboard of the whole X display through XInput 2 raw key events on its own thread
// and connection. Keys are named and modifiers read through xkbcommon from the server's keymap
// and its modifier state, which XKB keeps this connection told of (layout and modifier changes).

namespace tarnix::x11 {

// Connects and starts watching; the source stops when it is destroyed. Raises X11Error when
// there is no display, no XInput 2.2 or no XKB keymap.
std::unique_ptr<KeySource> watchKeys(KeySource::Handler handler);

} // namespace tarnix::x11
