#pragma once

#include <string>

// The video device nodes of a folder (/dev) coming, going, or having their permissions set:
// udev makes a camera's node and gives it its group and access a moment later, so the node's
// attributes count as well as its creation. Read through inotify.
//
// Threads: one thread at a time; wait on fd() for readability, then call readChanges().

namespace tarnix::v4l2 {

class VideoNodeWatch {
public:
    explicit VideoNodeWatch(const std::string& folder = "/dev");
    ~VideoNodeWatch();
    VideoNodeWatch(const VideoNodeWatch&) = delete;
    VideoNodeWatch& operator=(const VideoNodeWatch&) = delete;

    // The descriptor that becomes readable when something happened in the folder; -1 when the
    // folder can't be watched.
    int fd() const { return fd_; }
    // Reads everything that happened; true when a video node was part of it (or when events were
    // lost, so that nothing is missed).
    bool readChanges();

private:
    int fd_ = -1;
};

} // namespace tarnix::v4l2
