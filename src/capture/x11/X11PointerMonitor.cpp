#include "capture/x11/X11PointerMonitor.h"

#include <xcb/xinput.h>

#include "capture/CaptureClock.h"
#include "capture/x11/X11Connection.h"
#include "capture/x11/X11EventThread.h"
#include "capture/x11/X11SourceLister.h"

namespace tarnix::x11 {

namespace {

class PointerMonitor final : public PointerSource {
public:
    explicit PointerMonitor(Handler handler)
        : handler_(std::move(handler))
        , space_(screenSpaceOf(listDisplays(input_.connection())))
    {
        input_.start(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                         XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE,
                     [this](xcb_generic_event_t* event) { handle(event); });
    }
    ~PointerMonitor() override { input_.stop(); }

private:
    void handle(xcb_generic_event_t* event);

    RawInputWatch input_;
    Handler handler_;
    ScreenSpace space_;
};

std::optional<PointerEvent> pointerEventOf(std::uint16_t rawType, xcb_generic_event_t* event)
{
    if (rawType == XCB_INPUT_RAW_MOTION)
        return PointerEvent::moved;
    if (rawType != XCB_INPUT_RAW_BUTTON_PRESS && rawType != XCB_INPUT_RAW_BUTTON_RELEASE)
        return std::nullopt;
    // The button comes from the event: the pointer's button mask read later is racy.
    const bool press = rawType == XCB_INPUT_RAW_BUTTON_PRESS;
    const auto button = reinterpret_cast<xcb_input_raw_button_press_event_t*>(event)->detail;
    if (button == 1)
        return press ? PointerEvent::leftDown : PointerEvent::leftUp;
    if (button == 3)
        return press ? PointerEvent::rightDown : PointerEvent::rightUp;
    return std::nullopt;
}

void PointerMonitor::handle(xcb_generic_event_t* event)
{
    const std::optional<std::uint16_t> rawType = input_.rawEventType(event);
    if (!rawType)
        return;
    const double time = CaptureClock::now();
    const std::optional<PointerEvent> kind = pointerEventOf(*rawType, event);
    if (!kind)
        return;
    Connection& connection = input_.connection();
    Reply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(connection.get(), xcb_query_pointer(connection.get(), connection.root()), nullptr));
    if (!pointer)
        return;
    handler_(*kind, space_.toScreen(pointer->root_x, pointer->root_y), time);
}

} // namespace

std::unique_ptr<PointerSource> watchPointer(PointerSource::Handler handler)
{
    return std::make_unique<PointerMonitor>(std::move(handler));
}

} // namespace tarnix::x11
