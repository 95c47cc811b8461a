#include "capture/x11/X11PointerMonitor.h"

#include <xcb/xinput.h>

#include "capture/CaptureClock.h"
#include "capture/x11/X11Connection.h"
#include "capture/x11/X11EventThread.h"
#include "capture/x11/X11SourceLister.h"

namespace tarnix::x11 {

struct PointerMonitor::State {
    Connection connection;
    ScreenSpace space;
    Handler handler;
    std::uint8_t xinputOpcode = 0;
    std::unique_ptr<EventThread> events; // last: stops before the rest goes

    void handle(xcb_generic_event_t* event);
};

PointerMonitor::PointerMonitor(Handler handler)
    : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.handler = std::move(handler);
    xcb_connection_t* c = s.connection.get();
    s.xinputOpcode = requireXInput2(c);
    s.space = screenSpaceOf(listDisplays(s.connection));

    selectRawEvents(c, s.connection.root(),
                    XCB_INPUT_XI_EVENT_MASK_RAW_MOTION | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                        XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE);
    s.events = std::make_unique<EventThread>(c, [&s](xcb_generic_event_t* event) { s.handle(event); });
}

PointerMonitor::~PointerMonitor()
{
    state_->events.reset(); // joins the thread before the connection closes
}

void PointerMonitor::State::handle(xcb_generic_event_t* event)
{
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return;
    auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
    if (generic->extension != xinputOpcode)
        return;
    const double time = CaptureClock::now();
    std::optional<PointerEvent> kind;
    if (generic->event_type == XCB_INPUT_RAW_MOTION) {
        kind = PointerEvent::moved;
    } else if (generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS ||
               generic->event_type == XCB_INPUT_RAW_BUTTON_RELEASE) {
        // The button comes from the event: the pointer's button mask read later is racy.
        const bool press = generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS;
        const auto button = reinterpret_cast<xcb_input_raw_button_press_event_t*>(event)->detail;
        if (button == 1)
            kind = press ? PointerEvent::leftDown : PointerEvent::leftUp;
        else if (button == 3)
            kind = press ? PointerEvent::rightDown : PointerEvent::rightUp;
    }
    if (!kind)
        return;
    Reply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(connection.get(), xcb_query_pointer(connection.get(), connection.root()), nullptr));
    if (!pointer)
        return;
    handler(*kind, space.toScreen(pointer->root_x, pointer->root_y), time);
}

} // namespace tarnix::x11
