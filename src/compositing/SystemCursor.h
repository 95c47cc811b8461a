#pragma once

#include <QImage>

#include <optional>
#include <string>
#include <vector>

#include "document/Geometry.h"

// The desktop's arrow cursor as a picture, for redrawing the pointer over recorded frames.

namespace tarnix {

struct SystemCursor {
    QImage image;  // kPixelFormat
    Point hotSpot; // pixels from the lower-left corner of the image
    Size pixelSize;
};

namespace SystemCursorLoader {

// The first of `names` found in the cursor theme (then in the "default" theme), at the largest
// size the theme has, read with libXcursor from the cursor search path. Nothing when none is found.
std::optional<SystemCursor> loadFromTheme(const char* theme, const std::vector<std::string>& names);

// A black arrow with a white outline, drawn here; its hot spot is the tip.
SystemCursor vectorArrow();

// The theme named by XCURSOR_THEME (else "default"): "left_ptr", then "default"; the vector arrow
// when no theme has one.
std::optional<SystemCursor> load();

} // namespace SystemCursorLoader

} // namespace tarnix
