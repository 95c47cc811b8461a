#pragma once

#include <functional>
#include <memory>

// Tells when the sound server's list of sources may have changed: a source added or removed (a
// headset plugged in, a virtual source loaded), and the server itself going away or coming back.
//
// It keeps a connection of its own on a thread of its own (PulseAudio's threaded main loop) and
// subscribes there to the server's source events. While the server is away it tries to connect
// again every kRetrySeconds; a connection made counts as a change, since sources may have come and
// gone meanwhile (and the first one closes the gap between a listing and the subscription).
// Changes of a source's state or volume are not list changes and are not reported.
//
// Threads: made and destroyed on one thread; onChange runs on the watch's thread, so it should
// only hand the news over (a queued call).

namespace tarnix::pulse {

class SourceWatch {
public:
    static constexpr double kRetrySeconds = 1.0;

    explicit SourceWatch(std::function<void()> onChange);
    ~SourceWatch(); // stops the thread; onChange is not called after it returns
    SourceWatch(const SourceWatch&) = delete;
    SourceWatch& operator=(const SourceWatch&) = delete;

    // Subscribed to a server now (false while there is none).
    bool isConnected() const;

private:
    struct Loop;
    std::unique_ptr<Loop> loop_;
};

} // namespace tarnix::pulse
