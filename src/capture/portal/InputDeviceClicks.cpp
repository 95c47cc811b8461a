#include "capture/portal/InputDeviceClicks.h"

#include <libinput.h>

namespace tarnix::portal {

namespace {

constexpr std::uint32_t kLeftButton = 0x110;  // BTN_LEFT
constexpr std::uint32_t kRightButton = 0x111; // BTN_RIGHT

} // namespace

std::optional<PointerEvent> clickOf(std::uint32_t button, bool pressed)
{
    if (button == kLeftButton)
        return pressed ? PointerEvent::leftDown : PointerEvent::leftUp;
    if (button == kRightButton)
        return pressed ? PointerEvent::rightDown : PointerEvent::rightUp;
    return std::nullopt;
}

InputDeviceClicks::InputDeviceClicks(Handler handler)
    : devices_(std::make_unique<InputDevices>(
          std::initializer_list<const char*>{"ID_INPUT_MOUSE", "ID_INPUT_TOUCHPAD", "ID_INPUT_POINTINGSTICK"},
          "ID_INPUT_KEYBOARD",
          [handler = std::move(handler)](libinput_event* event) {
              if (libinput_event_get_type(event) != LIBINPUT_EVENT_POINTER_BUTTON)
                  return;
              libinput_event_pointer* pointer = libinput_event_get_pointer_event(event);
              const bool pressed = libinput_event_pointer_get_button_state(pointer) == LIBINPUT_BUTTON_STATE_PRESSED;
              // libinput's times are CLOCK_MONOTONIC, the capture clock.
              const double time = double(libinput_event_pointer_get_time_usec(pointer)) * 1e-6;
              if (auto click = clickOf(libinput_event_pointer_get_button(pointer), pressed))
                  handler(*click, Point{}, time);
          },
          "no pointer device under /dev/input can be read (the user isn't in the input group)"))
{
}

InputDeviceClicks::~InputDeviceClicks() = default;

} // namespace tarnix::portal
