#pragma once

#include <memory>

#include "capture/KeySource.h"

// Watches the keyboard of the whole X display through XInput 2 raw key events on its own thread
// and connection. Keys are named and modifiers read through xkbcommon from the server's keymap
// and its modifier state, which XKB keeps this connection told of (layout and modifier changes).

namespace tarnix::x11 {

class KeyMonitor : public KeySource {
public:
    // Connects and starts watching. Raises X11Error when there is no display, no XInput 2.2 or
    // no XKB keymap.
    explicit KeyMonitor(Handler handler);
    ~KeyMonitor() override; // stops the thread
    KeyMonitor(const KeyMonitor&) = delete;
    KeyMonitor& operator=(const KeyMonitor&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnix::x11
