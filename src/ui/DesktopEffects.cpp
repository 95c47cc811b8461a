#include "ui/DesktopEffects.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace tarnix::DesktopEffects {

namespace {

xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The atom's value, or XCB_ATOM_NONE when no client has created it (only_if_exists): a window
// manager that supports a protocol creates its atoms when it starts.
xcb_atom_t existingAtom(xcb_connection_t* c, const char* name, bool onlyIfExists = true)
{
    auto cookie = xcb_intern_atom(c, onlyIfExists, uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

constexpr const char* blurAtomName = "_KDE_NET_WM_BLUR_BEHIND_REGION";

} // namespace

bool hasCompositor()
{
    xcb_connection_t* c = connection();
    if (!c)
        return true; // not X11: the platform composites (Wayland) or draws off screen
    // Tarnix's windows live on the display's first X screen (one screen spanning every monitor,
    // as RandR desktops are set up).
    xcb_atom_t atom = existingAtom(c, "_NET_WM_CM_S0", false);
    auto cookie = xcb_get_selection_owner(c, atom);
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(c, cookie, nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

bool offersBlurBehind()
{
    xcb_connection_t* c = connection();
    return c && hasCompositor() && existingAtom(c, blurAtomName) != XCB_ATOM_NONE;
}

bool requestBlurBehind(QWindow* window, const QRegion& region)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return false;
    const xcb_atom_t atom = existingAtom(c, blurAtomName);
    if (atom == XCB_ATOM_NONE)
        return false;
    const auto id = xcb_window_t(window->winId());
    if (region.isEmpty()) {
        xcb_delete_property(c, id, atom);
    } else {
        std::vector<uint32_t> rects;
        for (const QRect& r : region)
            rects.insert(rects.end(), {uint32_t(r.x()), uint32_t(r.y()), uint32_t(r.width()), uint32_t(r.height())});
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom, XCB_ATOM_CARDINAL, 32, uint32_t(rects.size()),
                            rects.data());
    }
    xcb_flush(c);
    return true;
}

} // namespace tarnix::DesktopEffects
