#pragma once

#include <memory>

#include "capture/KeySource.h"

// Keys pressed on a Wayland desktop, which shares them with no client: read from the keyboards
// under /dev/input through libinput, where the user may read them (the `input` group), and named
// by the XKB layout the session configures (XKB_DEFAULT_LAYOUT and the like, else the system's).

namespace tarnix::portal {

class InputDeviceKeys : public KeySource {
public:
    // Reports each press on its own thread, as KeySource says. Raises CaptureError, saying that
    // keys aren't shared, when no keyboard can be read.
    explicit InputDeviceKeys(Handler handler);
    ~InputDeviceKeys() override;

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace tarnix::portal
