#include "capture/portal/InputDevices.h"

#include <libinput.h>
#include <libudev.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "capture/CaptureError.h"

namespace tarnix::portal {

namespace {

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

struct InputDevices::State {
    EventHandler handler;
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

    int addDevices(std::initializer_list<const char*> kinds, const char* excluded)
    {
        udev_enumerate* list = udev_enumerate_new(devices);
        udev_enumerate_add_match_subsystem(list, "input");
        // Several property matches select devices with any of them.
        for (const char* kind : kinds)
            udev_enumerate_add_match_property(list, kind, "1");
        udev_enumerate_scan_devices(list);
        int added = 0;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list))
        {
            udev_device* device = udev_device_new_from_syspath(devices, udev_list_entry_get_name(entry));
            const char* node = device ? udev_device_get_devnode(device) : nullptr;
            const bool skipped = device && excluded && udev_device_get_property_value(device, excluded);
            if (node && !skipped && std::strncmp(node, "/dev/input/event", 16) == 0 && access(node, R_OK) == 0 &&
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
                handler(event);
                libinput_event_destroy(event);
            }
        }
    }
};

InputDevices::InputDevices(std::initializer_list<const char*> kinds, const char* excluded, EventHandler handler,
                           const std::string& noDevice)
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
    if (s.addDevices(kinds, excluded) == 0)
        throw CaptureError(noDevice);
    s.wakeFd = eventfd(0, EFD_CLOEXEC);
    if (s.wakeFd < 0)
        throw CaptureError("the input devices can't be watched");
    s.thread = std::thread([&s] { s.run(); });
}

InputDevices::~InputDevices()
{
    if (state_->thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = write(state_->wakeFd, &one, sizeof one);
        state_->thread.join();
    }
}

} // namespace tarnix::portal
