#include "capture/v4l2/VideoNodeWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

namespace tarnix::v4l2 {

VideoNodeWatch::VideoNodeWatch(const std::string& folder)
    : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (fd_ < 0)
        return;
    constexpr std::uint32_t kEvents = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO;
    if (inotify_add_watch(fd_, folder.c_str(), kEvents) < 0) {
        close(fd_);
        fd_ = -1;
    }
}

VideoNodeWatch::~VideoNodeWatch()
{
    if (fd_ >= 0)
        close(fd_);
}

bool VideoNodeWatch::readChanges()
{
    if (fd_ < 0)
        return false;
    bool video = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = read(fd_, buffer, sizeof buffer);
        if (length <= 0)
            return video; // EAGAIN: all read
        for (ssize_t offset = 0; offset < length;) {
            inotify_event event;
            std::memcpy(&event, buffer + offset, sizeof event);
            const std::string_view name(buffer + offset + sizeof event, strnlen(buffer + offset + sizeof event, event.len));
            if ((event.mask & IN_Q_OVERFLOW) || name.starts_with("video"))
                video = true;
            offset += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
}

} // namespace tarnix::v4l2
