#include "capture/x11/X11SourceLister.h"

#include <xcb/randr.h>
#include <xcb/res.h>

#include <algorithm>
#include <cstdint>
#include <map>

namespace tarnix::x11 {

namespace {

std::string atomName(Connection& c, xcb_atom_t atom)
{
    Reply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(c.get(), xcb_get_atom_name(c.get(), atom), nullptr));
    if (!reply)
        return {};
    return std::string(xcb_get_atom_name_name(reply.get()),
                       static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
}

std::int64_t processOf(Connection& c, xcb_window_t window)
{
    auto pid = c.cardinalList(window, "_NET_WM_PID", XCB_ATOM_CARDINAL);
    if (!pid.empty())
        return pid.front();
    // Clients that don't set _NET_WM_PID: ask the server which client made the window.
    xcb_res_client_id_spec_t query{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    Reply<xcb_res_query_client_ids_reply_t> reply(xcb_res_query_client_ids_reply(
        c.get(), xcb_res_query_client_ids(c.get(), 1, &query), nullptr));
    if (!reply)
        return 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
         xcb_res_client_id_value_next(&it)) {
        const auto& [client, byteCount] = *it.data; // which identity of which client, and its size
        if (client.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID && byteCount >= sizeof(std::uint32_t))
            return *xcb_res_client_id_value_value(it.data);
    }
    return 0;
}

std::vector<xcb_window_t> clientWindows(Connection& c)
{
    auto stacking = c.cardinalList(c.root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
    if (stacking.empty())
        stacking = c.cardinalList(c.root(), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
    if (stacking.empty()) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), c.root()), nullptr));
        if (tree) {
            auto* children = xcb_query_tree_children(tree.get());
            stacking.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }
    std::reverse(stacking.begin(), stacking.end()); // front-most first
    return {stacking.begin(), stacking.end()};
}

// Window types that are part of the desktop rather than something a person records on its own:
// the desktop itself, panels and docks, splash screens, menus, tooltips and notifications.
constexpr const char* kUnlistedWindowTypes[] = {
    "_NET_WM_WINDOW_TYPE_DESKTOP",      "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_SPLASH",       "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "_NET_WM_WINDOW_TYPE_POPUP_MENU",
    "_NET_WM_WINDOW_TYPE_TOOLTIP",      "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_COMBO",        "_NET_WM_WINDOW_TYPE_DND",
};

std::vector<xcb_atom_t> unlistedWindowTypes(Connection& c)
{
    std::vector<xcb_atom_t> atoms;
    for (const char* name : kUnlistedWindowTypes)
        atoms.push_back(c.atom(name));
    return atoms;
}

// A window is left out when its first (preferred) type is one of the unlisted ones; a window
// without a type is a normal one.
bool hasUnlistedType(Connection& c, xcb_window_t id, const std::vector<xcb_atom_t>& unlisted)
{
    auto types = c.cardinalList(id, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM);
    return !types.empty() &&
           std::find(unlisted.begin(), unlisted.end(), types.front()) != unlisted.end();
}

std::optional<WindowInfo> describeWindow(Connection& c, xcb_window_t id, const QRect& rootRect)
{
    Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        c.get(), xcb_get_window_attributes(c.get(), id), nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c.get(), xcb_get_geometry(c.get(), id), nullptr));
    if (!attributes || !geometry || attributes->override_redirect ||
        attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
        return std::nullopt;
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c.get(), xcb_translate_coordinates(c.get(), id, c.root(), 0, 0), nullptr));
    if (!origin)
        return std::nullopt;
    WindowInfo info;
    info.windowID = id;
    info.frame = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    info.isOnScreen = attributes->map_state == XCB_MAP_STATE_VIEWABLE && info.frame.intersects(rootRect);
    info.title = c.stringProperty(id, "_NET_WM_NAME", true).value_or(
        c.stringProperty(id, "WM_NAME", false).value_or(""));
    info.processID = processOf(c, id);
    // WM_CLASS is "instance\0class\0".
    auto wmClass = c.stringProperty(id, "WM_CLASS", false).value_or("");
    std::string className;
    if (auto nul = wmClass.find('\0'); nul != std::string::npos)
        className = wmClass.substr(nul + 1, wmClass.find('\0', nul + 1) - nul - 1);
    info.applicationName = className;
    info.applicationID = c.stringProperty(id, "_GTK_APPLICATION_ID", true).value_or(className);
    if (info.applicationName.empty())
        info.applicationName = info.applicationID;
    return info;
}

} // namespace

std::vector<DisplayInfo> listDisplays(Connection& c)
{
    std::vector<DisplayInfo> displays;
    Reply<xcb_randr_get_monitors_reply_t> reply(
        xcb_randr_get_monitors_reply(c.get(), xcb_randr_get_monitors(c.get(), c.root(), 1), nullptr));
    if (reply) {
        for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
             xcb_randr_monitor_info_next(&it)) {
            DisplayInfo display;
            display.name = atomName(c, it.data->name);
            display.displayID = stableDisplayID(display.name);
            display.frame = QRect(it.data->x, it.data->y, it.data->width, it.data->height);
            display.isPrimary = it.data->primary;
            displays.push_back(std::move(display));
        }
    }
    if (displays.empty()) {
        DisplayInfo root;
        root.name = "screen";
        root.frame = QRect(0, 0, c.screen()->width_in_pixels, c.screen()->height_in_pixels);
        root.isPrimary = true;
        displays.push_back(root);
    }
    return displays;
}

std::vector<WindowInfo> listWindows(Connection& c)
{
    const QRect rootRect(0, 0, c.screen()->width_in_pixels, c.screen()->height_in_pixels);
    const std::vector<xcb_atom_t> unlisted = unlistedWindowTypes(c);
    std::vector<WindowInfo> windows;
    for (xcb_window_t id : clientWindows(c)) {
        if (hasUnlistedType(c, id, unlisted))
            continue;
        if (auto info = describeWindow(c, id, rootRect))
            windows.push_back(std::move(*info));
    }
    return windows;
}

std::optional<std::int64_t> frontmostProcess(Connection& c)
{
    auto active = c.cardinalList(c.root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    if (active.empty() || active.front() == XCB_WINDOW_NONE)
        return std::nullopt;
    const std::int64_t pid = processOf(c, active.front());
    if (pid <= 0)
        return std::nullopt;
    return pid;
}

ShareableContent listShareableContent(Connection& c)
{
    c.checkAlive();
    ShareableContent content;
    content.displays = listDisplays(c);
    content.windows = listWindows(c);
    std::map<std::string, std::size_t> seen;
    for (const auto& window : content.windows) {
        if (window.applicationID.empty() || seen.count(window.applicationID))
            continue;
        seen[window.applicationID] = content.applications.size();
        content.applications.push_back({window.applicationID, window.applicationName, window.processID});
    }
    c.checkAlive();
    return content;
}

} // namespace tarnix::x11
