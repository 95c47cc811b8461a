#pragma once

#include "document/Geometry.h"

// Cursor and click samples as the compositor reads them: times in seconds on the composition's time
// line, points in normalised capture space (0...1, origin top-left, y down). Lists of them are kept
// sorted by ascending time; the composition builder makes them once per build.

namespace tarnix {

struct NormalizedCursorSample {
    double time = 0; // seconds
    Point point;     // normalised capture space
    bool operator==(const NormalizedCursorSample&) const = default;
};

// A button press (button-down events only).
struct NormalizedClickSample {
    double time = 0; // seconds
    Point point;     // normalised capture space
    bool operator==(const NormalizedClickSample&) const = default;
};

} // namespace tarnix
