#include "capture/KeyFilter.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace tarnix {

namespace {

// F1 to F35, the range X keysyms name.
bool isFunctionKey(std::string_view key)
{
    if (key.size() < 2 || key.size() > 3 || key[0] != 'F')
        return false;
    int number = 0;
    const auto [end, error] = std::from_chars(key.data() + 1, key.data() + key.size(), number);
    return error == std::errc() && end == key.data() + key.size() && key[1] != '0' && number >= 1 &&
           number <= 35;
}

} // namespace

bool isCommandKey(std::string_view key)
{
    static constexpr std::array<std::string_view, 15> named = {
        "Escape", "Return", "KP_Enter", "Tab",     "ISO_Left_Tab", "Left",     "Right",   "Up",
        "Down",   "KP_Left", "KP_Right", "KP_Up", "KP_Down",      "BackTab", "Enter"};
    return isFunctionKey(key) || std::find(named.begin(), named.end(), key) != named.end();
}

bool keepsKey(const KeyPress& press, KeyCaptureScope scope, const KeyboardContext& context)
{
    if (context.passwordFocused || context.screenLocked || press.key.empty())
        return false;
    if (scope == KeyCaptureScope::everyKey && context.focusKnown)
        return true;
    // Shift alone only types: Shift+A is a capital letter, not a shortcut.
    const bool commandModifier = std::any_of(press.modifiers.begin(), press.modifiers.end(), [](KeyModifier m) {
        return m == KeyModifier::ctrl || m == KeyModifier::alt || m == KeyModifier::super;
    });
    return commandModifier || isCommandKey(press.key);
}

} // namespace tarnix
