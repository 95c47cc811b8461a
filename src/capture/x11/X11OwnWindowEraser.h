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
// else black).
//
// The window stack is read from the server every kStackRefresh seconds, and at most ten times a
// second while windows are being created or reparented; moves, resizes, restacking, maps and
// unmaps arrive as events and only re-plan the stack known so far, so a dragged window is
// followed frame by frame without a round trip. While no own window is mapped on the display a
// frame costs next to nothing.
//
// Windows are treated as their bounding rectangles (shaped windows are not cut to their shape).
//
// Threads: lives on the capture thread, sharing that thread's connection, whose events it reads.

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
    // show an own window. Call it right after grabbing `frame`, so that the window events read
    // with the grab describe the stack the frame shows. `now` is in CaptureClock seconds.
    void erase(QImage& frame, double now);
    // The display moved or changed size (RandR): frames cover `display` from now on.
    void setDisplay(QRect display);

private:
    // One child of the root window.
    struct TopLevel {
        xcb_window_t id = XCB_NONE;
        QRect bounds; // outer rectangle, border included
        bool mapped = false;
        bool inputOnly = false;
        bool isOwn = false;
    };
    struct NamedPixmap {
        xcb_pixmap_t pixmap = XCB_NONE;
        QSize size; // of the window when named: a resize gives the window a new pixmap
    };

    void redirectAndExpose();
    // Applies the window events that arrived with the last grab; false when the stack must be
    // read again.
    bool applyEvents(double now, bool& changed);
    void readStack(double now);
    void replan(double now);
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
    double readTime_ = -1; // when the stack was last read from the server
    bool stackStale_ = false;
    std::vector<TopLevel> stack_;                // bottom to top
    std::map<xcb_window_t, double> mappedSince_; // when each mapped one was first seen mapped
    OwnWindowCoverPlan::Plan plan_;
    std::map<xcb_window_t, NamedPixmap> pixmaps_; // of the windows in plan_
    bool backgroundKnown_ = false;
    xcb_pixmap_t background_ = XCB_NONE;
    QRect backgroundBounds_;
};

} // namespace tarnix::x11
