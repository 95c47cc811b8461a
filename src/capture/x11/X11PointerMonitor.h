#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "document/Geometry.h"

// Watches the mouse of the whole X display through XInput 2 raw events (every device, every
// window, this application's included) on its own thread and connection. Each event is reported
// with the pointer's position read right away (QueryPointer: raw events carry device deltas, and
// pointer warps send none) converted to screen space, and the CaptureClock time of its handling.

namespace tarnix::x11 {

enum class PointerEvent { moved, leftDown, leftUp, rightDown, rightUp };

class PointerMonitor {
public:
    // Called on the monitor's thread.
    using Handler = std::function<void(PointerEvent event, Point screenPoint, double time)>;

    // Connects and starts watching. Raises X11Error when there is no display or no XInput 2.2.
    explicit PointerMonitor(Handler handler);
    ~PointerMonitor(); // stops the thread
    PointerMonitor(const PointerMonitor&) = delete;
    PointerMonitor& operator=(const PointerMonitor&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnix::x11
