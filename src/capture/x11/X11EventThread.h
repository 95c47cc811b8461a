#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "capture/x11/X11Connection.h"

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

// What the key and pointer monitors share: a connection of their own on which the server sends the
// XInput 2 raw events of every master device of the display, handled on an EventThread.
class RawInputWatch {
public:
    // Connects. Raises X11Error when there is no display or no XInput 2.2.
    RawInputWatch();
    ~RawInputWatch() { stop(); }

    Connection& connection() { return connection_; }
    // Asks for the raw events of `mask` (XCB_INPUT_XI_EVENT_MASK_RAW_...) and starts handing every
    // event of the connection, raw or not, to `handler` on the thread.
    void start(std::uint32_t mask, EventThread::Handler handler);
    // Handles what has arrived and joins the thread. The owner calls it before the state its
    // handler reads goes.
    void stop() { events_.reset(); }

    // The XInput event type (XCB_INPUT_RAW_...) of an event of this connection's XInput
    // extension; nothing for any other event.
    std::optional<std::uint16_t> rawEventType(const xcb_generic_event_t* event) const;

private:
    Connection connection_;
    std::uint8_t xinputOpcode_ = 0;
    std::unique_ptr<EventThread> events_;
};

} // namespace tarnix::x11
