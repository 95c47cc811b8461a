#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "document/Geometry.h"

// Where the cursor's path and the mouse buttons come from while a recording runs: XInput 2 on
// X11; on a Wayland desktop the screen-cast stream's cursor position (where the desktop shares
// it) and the input devices' buttons (where the user may read them).

namespace tarnix {

enum class PointerEvent { moved, leftDown, leftUp, rightDown, rightUp };

class PointerSource {
public:
    // Called on the source's own thread: the event, the pointer in screen space and its
    // CaptureClock time.
    using Handler = std::function<void(PointerEvent event, Point screenPoint, double time)>;
    virtual ~PointerSource() = default; // stops watching; no handler call runs afterwards

    // What this source cannot report, for the user ("…no clicks…"); nothing when it has all.
    virtual std::optional<std::string> limitation() const { return std::nullopt; }
};

// Starts watching; raises std::exception (its what() for the user) when nothing can be watched.
using PointerSourceFactory = std::function<std::unique_ptr<PointerSource>(PointerSource::Handler)>;

} // namespace tarnix
