#include "capture/x11/X11EventThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdint>

#include <xcb/xinput.h>

#include "capture/x11/X11Connection.h"

namespace tarnix::x11 {

namespace {

// The XInput extension's major opcode, once the server is known to speak XInput 2 (raw events);
// raises X11Error otherwise.
std::uint8_t requireXInput2(xcb_connection_t* c)
{
    const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(c, &xcb_input_id);
    if (!xinput || !xinput->present)
        throw X11Error("the X server has no XInput extension");
    Reply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2)
        throw X11Error("the X server has no XInput 2");
    return xinput->major_opcode;
}

// Asks for the raw XInput 2 events of `mask` of every master device, on the root window, and
// flushes.
void selectRawEvents(xcb_connection_t* c, xcb_window_t root, std::uint32_t mask)
{
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    xcb_input_xi_select_events(c, root, 1, &selection.head);
    xcb_flush(c);
}

} // namespace

RawInputWatch::RawInputWatch()
    : xinputOpcode_(requireXInput2(connection_.get()))
{
}

void RawInputWatch::start(std::uint32_t mask, EventThread::Handler handler)
{
    selectRawEvents(connection_.get(), connection_.root(), mask);
    events_ = std::make_unique<EventThread>(connection_.get(), std::move(handler));
}

std::optional<std::uint16_t> RawInputWatch::rawEventType(const xcb_generic_event_t* event) const
{
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return std::nullopt;
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (generic->extension != xinputOpcode_)
        return std::nullopt;
    return generic->event_type;
}

EventThread::EventThread(xcb_connection_t* connection, Handler handler)
    : connection_(connection)
    , handler_(std::move(handler))
{
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    if (wakeFd_ < 0)
        throw X11Error("can't create the X event thread's wake-up");
    thread_ = std::thread([this] { run(); });
}

EventThread::~EventThread()
{
    std::uint64_t one = 1;
    if (write(wakeFd_, &one, sizeof one) < 0) {
        // The thread will notice a broken connection at worst; nothing else to do.
    }
    if (thread_.joinable())
        thread_.join();
    close(wakeFd_);
}

void EventThread::handlePending()
{
    while (auto* event = xcb_poll_for_event(connection_)) {
        handler_(event);
        std::free(event);
    }
}

void EventThread::run()
{
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        handlePending();
        if (xcb_connection_has_error(connection_))
            return;
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            handlePending();
            return;
        }
    }
}

} // namespace tarnix::x11
