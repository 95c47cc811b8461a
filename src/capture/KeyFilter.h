#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/RecordingTimeline.h"

// Which key presses a recording keeps. Keys are opt-in, and even then only what a viewer needs to
// follow the demonstration: shortcuts by default, every key only when the user asks for it, and
// never what is typed into a password field or an unlocked screen's locker.

namespace tarnix {

// One key press as the keyboard monitor saw it: the layout's name of the key ("S", "Return",
// "F5") and the modifiers held, in KeyEvent's order.
struct KeyPress {
    std::string key;
    std::vector<KeyModifier> modifiers;
    bool operator==(const KeyPress&) const = default;
};

enum class KeyCaptureScope {
    shortcuts, // combinations with Ctrl, Alt or Super, function keys, Escape, Enter, Tab, arrows
    everyKey,
};

// Where the keyboard's input goes when a key is pressed.
struct KeyboardContext {
    bool focusKnown = true;       // the focused element's role could be checked
    bool passwordFocused = false; // the focused element is a password field
    bool screenLocked = false;    // a screen locker has the keyboard
};

// Function keys, Escape, Enter, Tab and the arrows: keys that mean something on their own.
bool isCommandKey(std::string_view key);

// Whether a key press goes into the recording. When the focused element's role can't be checked
// (no accessibility bus), only shortcuts are kept even with everyKey: a password typed then
// would otherwise be recorded.
bool keepsKey(const KeyPress& press, KeyCaptureScope scope, const KeyboardContext& context);

} // namespace tarnix
