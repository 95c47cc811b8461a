#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "capture/PointerSource.h"
#include "capture/portal/InputDevices.h"

// Mouse buttons on a Wayland desktop, which shares them with no client: read from the pointer
// devices under /dev/input through libinput, where the user may read them (the `input` group).
// Only devices udev marks as mice, touchpads or pointing sticks are opened, so no key press is
// ever read; of their events only button presses and releases are used.

namespace tarnix::portal {

// The left and right buttons (BTN_LEFT, BTN_RIGHT of linux/input-event-codes.h); other buttons
// give nothing.
std::optional<PointerEvent> clickOf(std::uint32_t button, bool pressed);

class InputDeviceClicks : public PointerSource {
public:
    // Reports each click (with no position: Point{}) and its CaptureClock time on its own
    // thread. Raises CaptureError when no pointer device can be read.
    explicit InputDeviceClicks(Handler handler);
    ~InputDeviceClicks() override;

private:
    std::unique_ptr<InputDevices> devices_;
};

} // namespace tarnix::portal
