#pragma once

#include <memory>

#include "capture/PointerSource.h"

// Watches the mouse of the whole X display through XInput 2 raw events (every device, every
// window, this application's included) on its own thread and connection. Each event is reported
// with the pointer's position read right away (QueryPointer: raw events carry device deltas, and
// pointer warps send none) converted to screen space, and the CaptureClock time of its handling.

namespace tarnix::x11 {

// Connects and starts watching; the source stops when it is destroyed. Raises X11Error when
// there is no display or no XInput 2.2.
std::unique_ptr<PointerSource> watchPointer(PointerSource::Handler handler);

} // namespace tarnix::x11
