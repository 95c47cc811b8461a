#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/CaptureSource.h"
#include "capture/KeySource.h"
#include "capture/PointerSource.h"

// Which backend records this desktop session, chosen once at run time: the X server when the
// session is X11 (or when a Wayland session still offers a usable X server and says nothing of
// itself), the ScreenCast portal on a Wayland session.

namespace tarnix {

namespace portal {
class CursorFeed;
}

struct SessionEnvironment {
    std::optional<std::string> sessionType; // XDG_SESSION_TYPE
    bool hasWaylandDisplay = false;         // WAYLAND_DISPLAY is set
    std::function<bool()> x11Usable;        // an X server answers (tried only when needed)
};

CaptureBackend chooseCaptureBackend(const SessionEnvironment& environment);

// The backend for this process's environment (decided on the first call).
CaptureBackend sessionCaptureBackend();

// Where a backend's pointer comes from: XInput 2, or the portal's cursor positions, which the
// cast's frame source publishes to `cursorFeed`.
PointerSourceFactory pointerSourceFactory(CaptureBackend backend, std::shared_ptr<portal::CursorFeed> cursorFeed);

// Where a backend's keys come from: XInput 2, or the input devices where the user may read them.
KeySourceFactory keySourceFactory(CaptureBackend backend);

} // namespace tarnix
