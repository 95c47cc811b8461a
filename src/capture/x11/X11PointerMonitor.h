#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "capture/PointerSource.h"
#include "document/Geometry.h"

// Watches the mouse of the whole X display through XInput 2 raw events (every device, every
// window, this application's included) on its own thread and connection. Each event is reported
// with the pointer's position read right away (QueryPointer: raw events carry device deltas, and
// pointer warps send none) converted to screen space, and the CaptureClock time of its handling.

namespace tarnix::x11 {

using tarnix::PointerEvent;

class PointerMonitor : public PointerSource {
public:
    // Called on the monitor's thread.
    using Handler = PointerSource::Handler;

    // Connects and starts watching. Raises X11Error when there is no display or no XInput 2.2.
    explicit PointerMonitor(Handler handler);
    ~PointerMonitor() override; // stops the thread
    PointerMonitor(const PointerMonitor&) = delete;
    PointerMonitor& operator=(const PointerMonitor&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnix::x11
