#include "capture/x11/X11KeyMonitor.h"

#include "capture/KeyNames.h"

#define explicit explicit_ // xkb.h names a structure member "explicit"
#include <xcb/xkb.h>
#undef explicit
#include <xcb/xinput.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "capture/CaptureClock.h"
#include "capture/x11/X11Connection.h"
#include "capture/x11/X11EventThread.h"

namespace tarnix::x11 {

namespace {

class KeyMonitor final : public KeySource {
public:
    explicit KeyMonitor(Handler handler);
    ~KeyMonitor() override { input_.stop(); }

private:
    void loadKeymap();
    void selectXkbEvents();
    void handle(xcb_generic_event_t* event);
    void handleXkb(xcb_generic_event_t* event);
    void handleKeyPress(xcb_keycode_t keycode, double time);

    RawInputWatch input_;
    Handler handler_;
    std::uint8_t xkbEventBase_ = 0;
    std::int32_t keyboard_ = -1;
    XkbPointer<xkb_context> context_{xkb_context_new(XKB_CONTEXT_NO_FLAGS)};
    XkbPointer<xkb_keymap> keymap_;
    XkbPointer<xkb_state> keyState_;
};

void KeyMonitor::loadKeymap()
{
    xcb_connection_t* c = input_.connection().get();
    XkbPointer<xkb_keymap> map(xkb_x11_keymap_new_from_device(context_.get(), c, keyboard_, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!map)
        throw X11Error("can't read the keyboard layout from the X server");
    XkbPointer<xkb_state> fresh(xkb_x11_state_new_from_device(map.get(), c, keyboard_));
    if (!fresh)
        throw X11Error("can't read the keyboard state from the X server");
    keymap_ = std::move(map);
    keyState_ = std::move(fresh);
}

void KeyMonitor::selectXkbEvents()
{
    // Modifier and group changes keep keyState current; a new keymap (layout switch, another
    // keyboard) makes it reload.
    constexpr std::uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                     XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr std::uint16_t mapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
        XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    constexpr std::uint16_t stateParts =
        XCB_XKB_STATE_PART_MODIFIER_BASE | XCB_XKB_STATE_PART_MODIFIER_LATCH | XCB_XKB_STATE_PART_MODIFIER_LOCK |
        XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;
    xcb_xkb_select_events_details_t details = {};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = stateParts;
    details.stateDetails = stateParts;
    xcb_xkb_select_events_aux(input_.connection().get(), static_cast<xcb_xkb_device_spec_t>(keyboard_), events, 0, 0,
                              mapParts, mapParts, &details);
}

KeyMonitor::KeyMonitor(Handler handler)
    : handler_(std::move(handler))
{
    xcb_connection_t* c = input_.connection().get();
    if (!context_)
        throw X11Error("can't start reading keyboard layouts");
    if (!xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &xkbEventBase_,
                                     nullptr))
        throw X11Error("the X server has no keyboard extension (XKB)");
    keyboard_ = xkb_x11_get_core_keyboard_device_id(c);
    if (keyboard_ < 0)
        throw X11Error("the X server reports no keyboard");
    loadKeymap();
    selectXkbEvents();
    input_.start(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS, [this](xcb_generic_event_t* event) { handle(event); });
}

void KeyMonitor::handle(xcb_generic_event_t* event)
{
    if ((event->response_type & 0x7f) == xkbEventBase_) {
        handleXkb(event);
        return;
    }
    if (input_.rawEventType(event) != XCB_INPUT_RAW_KEY_PRESS)
        return;
    auto* press = reinterpret_cast<xcb_input_raw_key_press_event_t*>(event);
    if (press->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT)
        return;
    handleKeyPress(static_cast<xcb_keycode_t>(press->detail), CaptureClock::now());
}

void KeyMonitor::handleXkb(xcb_generic_event_t* event)
{
    // Every XKB event starts with the same header; its second byte says which one it is.
    const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
    if (xkbType == XCB_XKB_STATE_NOTIFY) {
        auto* state = reinterpret_cast<xcb_xkb_state_notify_event_t*>(event);
        xkb_state_update_mask(keyState_.get(), state->baseMods, state->latchedMods, state->lockedMods,
                              static_cast<xkb_layout_index_t>(state->baseGroup),
                              static_cast<xkb_layout_index_t>(state->latchedGroup), state->lockedGroup);
    } else if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY) {
        try {
            loadKeymap();
        } catch (const X11Error&) {
            // Keep the last keymap: a name from it beats no key at all.
        }
    }
}

void KeyMonitor::handleKeyPress(xcb_keycode_t keycode, double time)
{
    if (std::optional<KeyPress> pressed = keyPressOf(keymap_.get(), keyState_.get(), keycode))
        handler_(*pressed, time);
}

} // namespace

std::unique_ptr<KeySource> watchKeys(KeySource::Handler handler)
{
    return std::make_unique<KeyMonitor>(std::move(handler));
}

} // namespace tarnix::x11
