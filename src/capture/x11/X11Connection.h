#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A connection to the X server with the few property helpers the capture code needs.
// Each thread that talks to the server owns its own connection.

namespace tarnix::x11 {

// A failure talking to the X server; what() is a sentence for the user.
class X11Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
// An XCB reply, freed with free().
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

class Connection {
public:
    // Opens DISPLAY (or the given name). Raises X11Error when there is no X server.
    explicit Connection(const char* displayName = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }
    // Raises X11Error when the connection has broken.
    void checkAlive() const;

    xcb_atom_t atom(const char* name);
    // A property as raw bytes; nothing when it is absent.
    std::optional<std::vector<std::uint8_t>> property(xcb_window_t window, xcb_atom_t property,
                                                      xcb_atom_t type, std::uint32_t maxLength = 65536);
    std::optional<std::string> stringProperty(xcb_window_t window, const char* name, bool utf8);
    std::vector<std::uint32_t> cardinalList(xcb_window_t window, const char* name, xcb_atom_t type);

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace tarnix::x11
