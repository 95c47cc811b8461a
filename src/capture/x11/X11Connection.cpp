#include "capture/x11/X11Connection.h"

#include <cstdlib>
#include <cstring>

namespace tarnix::x11 {

Connection::Connection(const char* displayName)
{
    int screenNumber = 0;
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    if (!name || !*name)
        throw X11Error("no X11 display is set (DISPLAY is empty)");
    connection_ = xcb_connect(name, &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        throw X11Error(std::string("can't open the X11 display \"") + name + "\"");
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    screen_ = it.data;
    if (!screen_) {
        xcb_disconnect(connection_);
        throw X11Error(std::string("the X11 display \"") + name + "\" has no screen");
    }
}

Connection::~Connection()
{
    if (connection_)
        xcb_disconnect(connection_);
}

void Connection::checkAlive() const
{
    if (xcb_connection_has_error(connection_))
        throw X11Error("the connection to the X11 display was lost");
}

xcb_atom_t Connection::atom(const char* name)
{
    auto cookie = xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::optional<std::vector<std::uint8_t>> Connection::property(xcb_window_t window,
                                                              xcb_atom_t property, xcb_atom_t type,
                                                              std::uint32_t maxLength)
{
    if (property == XCB_ATOM_NONE)
        return std::nullopt;
    auto cookie = xcb_get_property(connection_, 0, window, property, type, 0, maxLength / 4);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get());
    return std::vector<std::uint8_t>(data, data + length);
}

std::optional<std::string> Connection::stringProperty(xcb_window_t window, const char* name, bool utf8)
{
    auto bytes = property(window, atom(name), utf8 ? atom("UTF8_STRING") : static_cast<xcb_atom_t>(XCB_ATOM_STRING));
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

std::vector<std::uint32_t> Connection::cardinalList(xcb_window_t window, const char* name,
                                                    xcb_atom_t type)
{
    auto bytes = property(window, atom(name), type, 1 << 20);
    std::vector<std::uint32_t> values;
    if (!bytes)
        return values;
    values.resize(bytes->size() / 4);
    if (!values.empty())
        std::memcpy(values.data(), bytes->data(), values.size() * 4);
    return values;
}

} // namespace tarnix::x11
