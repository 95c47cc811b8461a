#include "capture/portal/InputDeviceKeys.h"

#include <libinput.h>
#include <xkbcommon/xkbcommon.h>

#include "capture/CaptureError.h"
#include "capture/KeyNames.h"
#include "capture/portal/InputDevices.h"

namespace tarnix::portal {

namespace {

constexpr xkb_keycode_t kEvdevOffset = 8; // XKB keycodes are evdev's plus 8

} // namespace

struct InputDeviceKeys::State {
    Handler handler;
    XkbPointer<xkb_context> context;
    XkbPointer<xkb_keymap> keymap;
    XkbPointer<xkb_state> keyState;
    std::unique_ptr<InputDevices> devices; // last: the first to go, so no key arrives after

    // On the reading thread.
    void handleKey(libinput_event_keyboard* key)
    {
        const xkb_keycode_t keycode = libinput_event_keyboard_get_key(key) + kEvdevOffset;
        const bool pressed = libinput_event_keyboard_get_key_state(key) == LIBINPUT_KEY_STATE_PRESSED;
        // Named before the press changes the state, so that Ctrl+S reads as such and Ctrl alone
        // as nothing; libinput sends no auto-repeats.
        if (pressed) {
            // libinput's times are CLOCK_MONOTONIC, the capture clock.
            const double time = double(libinput_event_keyboard_get_time_usec(key)) * 1e-6;
            if (auto press = keyPressOf(keymap.get(), keyState.get(), keycode))
                handler(*press, time);
        }
        xkb_state_update_key(keyState.get(), keycode, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
    }
};

InputDeviceKeys::InputDeviceKeys(Handler handler)
    : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.handler = std::move(handler);
    s.context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (s.context)
        s.keymap.reset(xkb_keymap_new_from_names(s.context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (s.keymap)
        s.keyState.reset(xkb_state_new(s.keymap.get()));
    if (!s.keyState)
        throw CaptureError("the keyboard layout can't be read");
    s.devices = std::make_unique<InputDevices>(
        std::initializer_list<const char*>{"ID_INPUT_KEYBOARD"}, nullptr,
        [&s](libinput_event* event) {
            if (libinput_event_get_type(event) == LIBINPUT_EVENT_KEYBOARD_KEY)
                s.handleKey(libinput_event_get_keyboard_event(event));
        },
        "keys aren't shared on this desktop, and no keyboard under /dev/input can be read "
        "(add the user to the input group to record them)");
}

InputDeviceKeys::~InputDeviceKeys() = default;

} // namespace tarnix::portal
