#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <thread>

// A thread that hands every event of one XCB connection to a handler until it is destroyed. On
// destruction it handles what has already arrived (a key or click from just before the stop),
// then stops; the connection must outlive it.

namespace tarnix::x11 {

// The XInput extension's major opcode, once the server is known to speak XInput 2 (raw events);
// raises X11Error otherwise.
std::uint8_t requireXInput2(xcb_connection_t* connection);

// Asks for the raw XInput 2 events of `mask` (XCB_INPUT_XI_EVENT_MASK_RAW_...) of every master
// device, on the root window, and flushes.
void selectRawEvents(xcb_connection_t* connection, xcb_window_t root, std::uint32_t mask);

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
