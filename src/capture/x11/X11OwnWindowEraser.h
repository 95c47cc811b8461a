#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>
#include <map>
#include <vector>

#include "capture/x11/OwnWindowCoverPlan.h"
#include "capture/x11/X11Connection.h"

// Keeps this application's own windows out of a display recording. Without a compositing manager
// the X server keeps nothing of what lies under a window, so for as long as this object lives the
// top-level windows are redirected with Composite (automatically: the screen looks unchanged) and
// every grabbed frame gets the parts where an own window is in front repainted from the windows
// beneath it, or from the desktop background (the root's _XROOTPMAP_ID / ESETROOT_PMAP_ID pixmap,
// else black). The window stack is read again at most every kStackRefresh seconds; while no own
// window is mapped on the display, a frame costs nothing.
//
// Windows are treated as their bounding rectangles (shaped windows are not cut to their shape).
//
// Threads: lives on the capture thread, sharing that thread's connection.

namespace tarnix::x11 {

class OwnWindowEraser {
public:
    static constexpr double kStackRefresh = 0.25; // seconds between window-stack reads

    // `display` in root pixels; `ownWindows` are client window ids (their top-level ancestors,
    // window-manager frames included, are what gets hidden).
    OwnWindowEraser(Connection& connection, QRect display, std::vector<std::uint32_t> ownWindows);
    ~OwnWindowEraser();
    OwnWindowEraser(const OwnWindowEraser&) = delete;
    OwnWindowEraser& operator=(const OwnWindowEraser&) = delete;

    // Repaints the parts of `frame` (the display's pixels, 32 bits each, written in place) that
    // show an own window. `now` is in CaptureClock seconds.
    void erase(QImage& frame, double now);

private:
    void redirectAndExpose();
    void refresh(double now);
    std::vector<OwnWindowCoverPlan::StackedWindow> readStack(double now);
    std::vector<xcb_window_t> ownTopLevels();
    void nameBackground();
    void freePixmaps();
    // Copies `area` (root pixels) from `drawable`, whose (0, 0) lies at `origin`, into `frame`;
    // what can't be read is left black.
    void copyArea(QImage& frame, xcb_drawable_t drawable, QPoint origin, const QRegion& area);
    void fillBlack(QImage& frame, const QRegion& area) const;

    Connection& connection_;
    QRect display_;
    std::vector<std::uint32_t> ownWindows_;
    bool redirected_ = false;
    double refreshTime_ = -1;
    std::map<xcb_window_t, double> mappedSince_; // when each top-level was first seen mapped
    OwnWindowCoverPlan::Plan plan_;
    std::map<xcb_window_t, xcb_pixmap_t> pixmaps_; // named for the windows in plan_
    xcb_pixmap_t background_ = XCB_NONE;
    QRect backgroundBounds_;
};

} // namespace tarnix::x11
