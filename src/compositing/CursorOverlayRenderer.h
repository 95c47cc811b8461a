#pragma once

#include <optional>
#include <vector>

#include "compositing/CursorTrack.h"
#include "compositing/NormalizedSamples.h"
#include "compositing/SystemCursor.h"
#include "document/LookSettings.h"
#include "graphics/Canvas.h"

// The redrawn mouse pointer: the system arrow, a dot or a ring at the cursor's position, mapped
// through the zoom and the background's content rectangle. Any thread; the one shared value
// (system()) is made once and never changed.

namespace tarnix::CursorOverlayRenderer {

// The desktop's arrow cursor, loaded on first use (thread-safe) and kept for the process.
const std::optional<SystemCursor>& system();

// Where the cursor is drawn (canvas pixels, lower-left origin) and how wide, when it is drawn at all.
struct Placed {
    Point centre;
    double size;
};
std::optional<Placed> placed(const OverlayPlacement& placement,
                             const std::vector<NormalizedCursorSample>& samples,
                             const CursorOverlaySettings& settings);

// Draws the cursor at its position at placement.time, `sizeFraction` of the output width wide,
// when the overlay is enabled and the cursor is inside the zoomed picture.
void draw(graphics::Canvas& canvas, const OverlayPlacement& placement,
          const std::vector<NormalizedCursorSample>& samples,
          const CursorOverlaySettings& settings);

} // namespace tarnix::CursorOverlayRenderer
