#pragma once

#include <atspi/atspi.h>

// Walks of the accessibility tree shared by the focus and keyboard monitors. Each call goes to
// the application that exported the element; the caller sets libatspi's timeout.

namespace tarnix::atspi {

bool hasState(AtspiAccessible* accessible, AtspiStateType type);

// The element that has the keyboard focus in an ACTIVE top-level window of any application, found
// by a depth-first search of at most `budget` objects: for a focus gained before the monitor
// listened. A new reference, or null.
AtspiAccessible* findFocusInActiveWindows(int budget);

} // namespace tarnix::atspi
