#include "capture/portal/InputDeviceClicks.h"

#include <libinput.h>
#include <libudev.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "capture/CaptureError.h"

namespace tarnix::portal {

namespace {

constexpr std::uint32_t kLeftButton = 0x110;  // BTN_LEFT
constexpr std::uint32_t kRightButton = 0x111; // BTN_RIGHT

int openRestricted(const char* path, int flags, void*)
{
    const int fd = open(path, flags | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

void closeRestricted(int fd, void*)
{
    close(fd);
}

const libinput_interface kInterface = {openRestricted, closeRestricted};

} // namespace

std::optional<PointerEvent> clickOf(std::uint32_t button, bool pressed)
{
    if (button == kLeftButton)
        return pressed ? PointerEvent::leftDown : PointerEvent::leftUp;
    if (button == kRightButton)
        return pressed ? PointerEvent::rightDown : PointerEvent::rightUp;
    return std::nullopt;
}

struct InputDeviceClicks::State {
    Handler handler;
    udev* devices = nullptr;
    libinput* input = nullptr;
    int wakeFd = -1;
    std::thread thread;

    ~State()
    {
        if (input)
            libinput_unref(input);
        if (devices)
            udev_unref(devices);
        if (wakeFd >= 0)
            close(wakeFd);
    }

    // Adds every readable pointer device; returns how many.
    int addPointerDevices()
    {
        udev_enumerate* list = udev_enumerate_new(devices);
        udev_enumerate_add_match_subsystem(list, "input");
        // Several property matches select devices with any of them.
        for (const char* kind : {"ID_INPUT_MOUSE", "ID_INPUT_TOUCHPAD", "ID_INPUT_POINTINGSTICK"})
            udev_enumerate_add_match_property(list, kind, "1");
        udev_enumerate_scan_devices(list);
        int added = 0;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list))
        {
            udev_device* device = udev_device_new_from_syspath(devices, udev_list_entry_get_name(entry));
            const char* node = device ? udev_device_get_devnode(device) : nullptr;
            const bool keyboard = device && udev_device_get_property_value(device, "ID_INPUT_KEYBOARD");
            if (node && !keyboard && std::strncmp(node, "/dev/input/event", 16) == 0 && access(node, R_OK) == 0 &&
                libinput_path_add_device(input, node))
                ++added;
            if (device)
                udev_device_unref(device);
        }
        udev_enumerate_unref(list);
        return added;
    }

    void run()
    {
        pollfd fds[2] = {{libinput_get_fd(input), POLLIN, 0}, {wakeFd, POLLIN, 0}};
        for (;;) {
            if (poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents)
                return;
            libinput_dispatch(input);
            while (libinput_event* event = libinput_get_event(input)) {
                if (libinput_event_get_type(event) == LIBINPUT_EVENT_POINTER_BUTTON) {
                    libinput_event_pointer* pointer = libinput_event_get_pointer_event(event);
                    const bool pressed =
                        libinput_event_pointer_get_button_state(pointer) == LIBINPUT_BUTTON_STATE_PRESSED;
                    // libinput's times are CLOCK_MONOTONIC, the capture clock.
                    const double time = double(libinput_event_pointer_get_time_usec(pointer)) * 1e-6;
                    if (auto click = clickOf(libinput_event_pointer_get_button(pointer), pressed))
                        handler(*click, Point{}, time);
                }
                libinput_event_destroy(event);
            }
        }
    }
};

InputDeviceClicks::InputDeviceClicks(Handler handler)
    : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.handler = std::move(handler);
    s.devices = udev_new();
    if (!s.devices)
        throw CaptureError("the input devices can't be listed");
    s.input = libinput_path_create_context(&kInterface, nullptr);
    if (!s.input)
        throw CaptureError("libinput can't be started");
    if (s.addPointerDevices() == 0)
        throw CaptureError("no pointer device under /dev/input can be read (the user isn't in the input group)");
    s.wakeFd = eventfd(0, EFD_CLOEXEC);
    if (s.wakeFd < 0)
        throw CaptureError("the input devices can't be watched");
    s.thread = std::thread([&s] { s.run(); });
}

InputDeviceClicks::~InputDeviceClicks()
{
    if (state_->thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = write(state_->wakeFd, &one, sizeof one);
        state_->thread.join();
    }
}

} // namespace tarnix::portal
