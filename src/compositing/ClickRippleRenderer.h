#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "compositing/CursorTrack.h"
#include "compositing/NormalizedSamples.h"
#include "document/LookSettings.h"
#include "graphics/Canvas.h"

// Click ripples: after each button press an expanding, fading white ring for 0.55 s at the press
// position, mapped like the cursor. Pure; any thread.

namespace tarnix::ClickRippleRenderer {

// How long a ripple lasts, seconds.
inline constexpr double kDuration = 0.55;

// The index of the first sample whose time is at least t (lower bound), or nothing.
std::optional<std::size_t> firstIndex(double t, const std::vector<NormalizedClickSample>& samples);

// Draws the ripples of the presses of the last kDuration seconds before placement.time, later
// presses over earlier ones, when `showsClickRipples` is on (whether or not the cursor is shown).
void draw(graphics::Canvas& canvas, const OverlayPlacement& placement,
          const std::vector<NormalizedClickSample>& samples, const CursorOverlaySettings& settings);

} // namespace tarnix::ClickRippleRenderer
