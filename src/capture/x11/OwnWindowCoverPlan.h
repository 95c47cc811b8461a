#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <vector>

// Which parts of a display recording show one of our own windows, and what lies beneath each of
// those parts: another window, or the bare desktop. Pure geometry, no X calls, any thread.
//
// Rectangles and regions are root-window pixels (origin top-left, y down). A window's bounds are
// its outer rectangle, border included, which is also the extent of its Composite pixmap.

namespace tarnix::x11::OwnWindowCoverPlan {

// One top-level window as the stack lists it.
struct StackedWindow {
    std::uint32_t id = 0;
    QRect bounds;
    bool isOwn = false;
    // False while the window's off-screen contents can't be trusted yet (just redirected, or
    // just mapped and not repainted): the parts of it that are needed show the desktop instead.
    bool contentsReady = true;
};

// Copy `area` from window `window`, whose pixmap's (0, 0) lies at `origin`.
struct Patch {
    std::uint32_t window = 0;
    QPoint origin;
    QRegion area;
};

struct Plan {
    std::vector<Patch> patches; // disjoint
    QRegion background;         // nothing beneath: the desktop
    bool isEmpty() const { return patches.empty() && background.isEmpty(); }
};

// `bottomToTop` is the stacking order of the mapped windows (the X server's order of the root's
// children). The plan covers every pixel of `area` whose front-most window is an own one, with
// the front-most other window beneath it there, else the background. Empty when no own window is
// visible in `area`.
Plan plan(const std::vector<StackedWindow>& bottomToTop, const QRect& area);

} // namespace tarnix::x11::OwnWindowCoverPlan
