#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <thread>

// A thread that hands every event of one XCB connection to a handler until it is destroyed. On
// destruction it handles what has already arrived (a key or click from just before the stop),
// then stops; the connection must outlive it.

namespace tarnix::x11 {

class EventThread {
public:
    using Handler = std::function<void(xcb_generic_event_t* event)>;

    // Raises X11Error when the wake-up can't be made.
    EventThread(xcb_connection_t* connection, Handler handler);
    ~EventThread();
    EventThread(const EventThread&) = delete;
    EventThread& operator=(const EventThread&) = delete;

private:
    void run();
    void handlePending();

    xcb_connection_t* connection_;
    Handler handler_;
    int wakeFd_ = -1;
    std::thread thread_;
};

} // namespace tarnix::x11
