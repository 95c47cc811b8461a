#include "capture/CaptureBackend.h"

#include <cstdlib>

#include "capture/portal/InputDeviceClicks.h"
#include "capture/portal/InputDeviceKeys.h"
#include "capture/portal/PortalCapture.h"
#include "capture/x11/X11Connection.h"
#include "capture/x11/X11KeyMonitor.h"
#include "capture/x11/X11PointerMonitor.h"

namespace tarnix {

CaptureBackend chooseCaptureBackend(const SessionEnvironment& environment)
{
    if (environment.sessionType == "wayland")
        return CaptureBackend::portal;
    if (environment.sessionType == "x11")
        return CaptureBackend::x11;
    // A session that does not say: Wayland when it has a compositor and no X server to use.
    if (environment.hasWaylandDisplay && !(environment.x11Usable && environment.x11Usable()))
        return CaptureBackend::portal;
    return CaptureBackend::x11;
}

CaptureBackend sessionCaptureBackend()
{
    static const CaptureBackend backend = [] {
        SessionEnvironment environment;
        if (const char* type = std::getenv("XDG_SESSION_TYPE"); type && *type)
            environment.sessionType = type;
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        environment.hasWaylandDisplay = wayland && *wayland;
        environment.x11Usable = [] {
            try {
                x11::Connection connection;
                return true;
            } catch (const std::exception&) {
                return false;
            }
        };
        return chooseCaptureBackend(environment);
    }();
    return backend;
}

PointerSourceFactory pointerSourceFactory(CaptureBackend backend, std::shared_ptr<portal::CursorFeed> cursorFeed)
{
    if (backend == CaptureBackend::portal)
        return [cursorFeed](PointerSource::Handler handler) -> std::unique_ptr<PointerSource> {
            return std::make_unique<portal::PortalPointerSource>(
                cursorFeed, std::move(handler), [](PointerSource::Handler clicks) -> std::unique_ptr<PointerSource> {
                    return std::make_unique<portal::InputDeviceClicks>(std::move(clicks));
                });
        };
    return x11::watchPointer;
}

KeySourceFactory keySourceFactory(CaptureBackend backend)
{
    if (backend == CaptureBackend::portal)
        return [](KeySource::Handler handler) -> std::unique_ptr<KeySource> {
            return std::make_unique<portal::InputDeviceKeys>(std::move(handler));
        };
    return x11::watchKeys;
}

} // namespace tarnix
