#include "capture/v4l2/V4l2Devices.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace tarnix::v4l2 {

CameraListing listCameras(const std::string& folder)
{
    CameraListing listing;
    std::error_code error;
    std::vector<std::filesystem::path> nodes;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string().starts_with("video"))
            nodes.push_back(entry.path());
    std::sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) {
        const auto na = a.filename().string(), nb = b.filename().string();
        return na.size() != nb.size() ? na.size() < nb.size() : na < nb;
    });
    for (const auto& node : nodes) {
        const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno == EACCES || errno == EPERM)
                listing.accessDenied = true;
            continue;
        }
        v4l2_capability capability{};
        if (ioctl(fd, VIDIOC_QUERYCAP, &capability) == 0) {
            const std::uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS)
                                           ? capability.device_caps
                                           : capability.capabilities;
            if (caps & V4L2_CAP_VIDEO_CAPTURE)
                listing.cameras.push_back({node.string(), reinterpret_cast<const char*>(capability.card),
                                           reinterpret_cast<const char*>(capability.bus_info)});
        }
        close(fd);
    }
    return listing;
}

} // namespace tarnix::v4l2
