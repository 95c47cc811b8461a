#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "capture/KeyFilter.h"

// Where the keys pressed while a recording runs come from: XInput 2 raw key events on X11.

namespace tarnix {

class KeySource {
public:
    // Called on the source's own thread: the key pressed and its CaptureClock time. Presses of
    // modifier keys alone and auto-repeats are not reported.
    using Handler = std::function<void(const KeyPress& press, double time)>;
    virtual ~KeySource() = default; // stops watching; no handler call runs afterwards
};

// Starts watching; raises std::exception (its what() for the user) when nothing can be watched.
using KeySourceFactory = std::function<std::unique_ptr<KeySource>(KeySource::Handler)>;

// What the keyboard focus is, as the focus monitor last saw it; read by the key monitor's thread
// at each press.
struct FocusRole {
    std::atomic<bool> known{false};           // a focus monitor is watching the focus
    std::atomic<bool> passwordFocused{false}; // the focused element is a password field
};

} // namespace tarnix
