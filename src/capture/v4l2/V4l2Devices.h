#pragma once

#include <string>
#include <vector>

// Video4Linux2 cameras: the /dev/video* nodes that can capture video, named by their drivers.

namespace tarnix::v4l2 {

struct CameraInfo {
    std::string path;     // "/dev/video0": the unique identifier
    std::string name;     // the driver's card name
    std::string busInfo;
};

struct CameraListing {
    std::vector<CameraInfo> cameras;
    bool accessDenied = false; // some node exists but may not be opened (permissions)
};

// Reads /dev (or another folder, for tests).
CameraListing listCameras(const std::string& folder = "/dev");

} // namespace tarnix::v4l2
