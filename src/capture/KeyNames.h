#pragma once

#include <memory>
#include <optional>

#include <xkbcommon/xkbcommon.h>

#include "capture/KeyFilter.h"

// A key press as the user's keyboard layout names it, from an XKB keymap and the keyboard's
// state: shared by the key monitors of X11 (XInput 2) and of input devices (libinput).

namespace tarnix {

// Owners of xkbcommon's reference-counted objects: each drops its reference when it goes.
struct XkbDeleter {
    void operator()(xkb_context* p) const { xkb_context_unref(p); }
    void operator()(xkb_keymap* p) const { xkb_keymap_unref(p); }
    void operator()(xkb_state* p) const { xkb_state_unref(p); }
};
template <class T>
using XkbPointer = std::unique_ptr<T, XkbDeleter>;

// The press of `keycode` (an XKB keycode: evdev's plus 8) with the modifiers held in `state`;
// nothing for a modifier key alone or a key without a name. The key is its unshifted symbol, a
// character in upper case ("S", "1", "Ü") or the keysym's name for keys that print nothing
// ("Return", "F5", "space").
std::optional<KeyPress> keyPressOf(xkb_keymap* keymap, xkb_state* state, xkb_keycode_t keycode);

} // namespace tarnix
