#include "capture/portal/InputDeviceKeys.h"

#include <libinput.h>
#include <libudev.h>
#include <xkbcommon/xkbcommon.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "capture/CaptureError.h"
#include "capture/KeyNames.h"

namespace tarnix::portal {

namespace {

constexpr xkb_keycode_t kEvdevOffset = 8; // XKB keycodes are evdev's plus 8

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

struct InputDeviceKeys::State {
    Handler handler;
    udev* devices = nullptr;
    libinput* input = nullptr;
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keyState = nullptr;
    int wakeFd = -1;
    std::thread thread;

    ~State()
    {
        if (keyState)
            xkb_state_unref(keyState);
        if (keymap)
            xkb_keymap_unref(keymap);
        if (context)
            xkb_context_unref(context);
        if (input)
            libinput_unref(input);
        if (devices)
            udev_unref(devices);
        if (wakeFd >= 0)
            close(wakeFd);
    }

    // Adds every readable keyboard; returns how many.
    int addKeyboards()
    {
        udev_enumerate* list = udev_enumerate_new(devices);
        udev_enumerate_add_match_subsystem(list, "input");
        udev_enumerate_add_match_property(list, "ID_INPUT_KEYBOARD", "1");
        udev_enumerate_scan_devices(list);
        int added = 0;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list))
        {
            udev_device* device = udev_device_new_from_syspath(devices, udev_list_entry_get_name(entry));
            const char* node = device ? udev_device_get_devnode(device) : nullptr;
            if (node && std::strncmp(node, "/dev/input/event", 16) == 0 && access(node, R_OK) == 0 &&
                libinput_path_add_device(input, node))
                ++added;
            if (device)
                udev_device_unref(device);
        }
        udev_enumerate_unref(list);
        return added;
    }

    void handleKey(libinput_event_keyboard* key)
    {
        const xkb_keycode_t keycode = libinput_event_keyboard_get_key(key) + kEvdevOffset;
        const bool pressed = libinput_event_keyboard_get_key_state(key) == LIBINPUT_KEY_STATE_PRESSED;
        // Named before the press changes the state, so that Ctrl+S reads as such and Ctrl alone
        // as nothing; libinput sends no auto-repeats.
        if (pressed) {
            // libinput's times are CLOCK_MONOTONIC, the capture clock.
            const double time = double(libinput_event_keyboard_get_time_usec(key)) * 1e-6;
            if (auto press = keyPressOf(keymap, keyState, keycode))
                handler(*press, time);
        }
        xkb_state_update_key(keyState, keycode, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
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
                if (libinput_event_get_type(event) == LIBINPUT_EVENT_KEYBOARD_KEY)
                    handleKey(libinput_event_get_keyboard_event(event));
                libinput_event_destroy(event);
            }
        }
    }
};

InputDeviceKeys::InputDeviceKeys(Handler handler)
    : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.handler = std::move(handler);
    s.devices = udev_new();
    s.input = s.devices ? libinput_path_create_context(&kInterface, nullptr) : nullptr;
    if (!s.input)
        throw CaptureError("keys aren't shared on this desktop, and the input devices can't be listed");
    if (s.addKeyboards() == 0)
        throw CaptureError("keys aren't shared on this desktop, and no keyboard under /dev/input can be read "
                           "(add the user to the input group to record them)");
    s.context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    s.keymap = s.context ? xkb_keymap_new_from_names(s.context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    s.keyState = s.keymap ? xkb_state_new(s.keymap) : nullptr;
    if (!s.keyState)
        throw CaptureError("the keyboard layout can't be read");
    s.wakeFd = eventfd(0, EFD_CLOEXEC);
    if (s.wakeFd < 0)
        throw CaptureError("the input devices can't be watched");
    s.thread = std::thread([&s] { s.run(); });
}

InputDeviceKeys::~InputDeviceKeys()
{
    if (state_->thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = write(state_->wakeFd, &one, sizeof one);
        state_->thread.join();
    }
}

} // namespace tarnix::portal
