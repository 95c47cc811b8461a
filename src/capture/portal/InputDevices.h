#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

struct libinput_event;

// Devices under /dev/input read through libinput on a thread of their own, where the user may
// read them (the `input` group): the common part of the Wayland click and key sources.

namespace tarnix::portal {

class InputDevices {
public:
    using EventHandler = std::function<void(libinput_event* event)>;

    // Opens the readable devices udev marks with any of `kinds` (ID_INPUT_MOUSE, ...) and none of
    // `excluded`, and hands each of their events to `handler` on the reading thread. Raises
    // CaptureError with `noDevice` when none can be read.
    InputDevices(std::initializer_list<const char*> kinds, const char* excluded, EventHandler handler,
                 const std::string& noDevice);
    ~InputDevices(); // stops reading: no handler call runs afterwards

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace tarnix::portal
