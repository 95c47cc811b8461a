#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Geometry.h"

// What can be recorded, as listed from the X server, and one chosen target.
//
// Pixel rectangles (QRect) are X11 root-window pixels: origin at the top-left of the root window,
// y down. Screen space is the recording document's: points with the origin at the bottom-left of
// the primary monitor, y up. A point is one pixel (the desktop scale factor is 1 here).

namespace tarnix {

// Who serves the capture: the X server, or a Wayland desktop's ScreenCast portal (which lists
// nothing itself: the desktop asks the user what to share when a recording starts).
enum class CaptureBackend { x11, portal };

// One monitor (RandR 1.5), or the whole root window when RandR lists none.
struct DisplayInfo {
    std::uint32_t displayID = 0; // stableDisplayID(name); 0 for the root-window fallback
    std::string name;            // "HDMI-1", "screen"...
    QRect frame;                 // pixels in the root window
    bool isPrimary = false;
    bool operator==(const DisplayInfo&) const = default;
};

// One top-level client window.
struct WindowInfo {
    std::uint32_t windowID = 0; // the client window's X id
    std::string title;
    std::int64_t processID = 0; // 0 when unknown
    std::string applicationID;  // _GTK_APPLICATION_ID, else the WM_CLASS class
    std::string applicationName; // the WM_CLASS class, else the application id
    QRect frame;                // the client area in root pixels
    bool isOnScreen = false;    // mapped and overlapping the root window
    bool operator==(const WindowInfo&) const = default;
};

// One running application: its windows grouped by owner.
struct ApplicationInfo {
    std::string bundleIdentifier; // the applicationID of its windows
    std::string applicationName;
    std::int64_t processID = 0;
    bool operator==(const ApplicationInfo&) const = default;
};

// Converts X11 root pixels to screen space, given the primary monitor's frame.
struct ScreenSpace {
    QRect primary; // the primary monitor in root pixels

    Point toScreen(double rootX, double rootY) const
    {
        return {rootX - primary.x(), primary.y() + primary.height() - rootY};
    }
    Rect toScreen(const QRectF& root) const
    {
        return {root.x() - primary.x(), primary.y() + primary.height() - root.y() - root.height(),
                root.width(), root.height()};
    }
};

// One chosen target with the geometry known when it was resolved.
class CaptureSource {
public:
    enum class Kind { display, window, application };

    static CaptureSource forDisplay(DisplayInfo display, ScreenSpace space);
    static CaptureSource forWindow(WindowInfo window, ScreenSpace space);
    static CaptureSource forApplication(ApplicationInfo application, DisplayInfo display,
                                        ScreenSpace space);

    // The same source, recorded through the ScreenCast portal.
    CaptureSource viaPortal() const;
    // Only part of a display: `area` in the display's own pixels (origin at its top-left), cut to
    // the display where its size is known, with even sides for the encoder. Nothing when the
    // source is not a display or less than 2 × 2 pixels of the area remain.
    std::optional<CaptureSource> cutTo(const QRect& area) const;

    Kind kind() const { return kind_; }
    CaptureBackend backend() const { return backend_; }
    const DisplayInfo& display() const { return display_; } // display and application
    const WindowInfo& window() const { return window_; }
    const ApplicationInfo& application() const { return application_; }
    // The recorded part of a display, in the display's pixels; nothing when it is all recorded.
    const std::optional<QRect>& area() const { return area_; }

    // "display-N", "window-N" or "app-ID" (an area keeps its display's).
    std::string identifier() const;
    // Size of the captured picture in device pixels (windows at least 2 × 2).
    QSize pixelSize() const;
    // The captured area in screen space.
    Rect screenFrame() const;
    // The captured area in root pixels.
    QRect rootFrame() const;
    // Any area of the root window (a followed window's later frame) in this source's screen space.
    Rect screenFrameOf(const QRect& rootArea) const;

private:
    static CaptureSource ofKind(Kind kind, ScreenSpace space);

    Kind kind_ = Kind::display;
    CaptureBackend backend_ = CaptureBackend::x11;
    DisplayInfo display_;
    WindowInfo window_;
    ApplicationInfo application_;
    std::optional<QRect> area_;
    ScreenSpace space_;
};

// `area` with even sides (rounded down) and cut to a display of `displaySize` (unknown when
// empty); nothing when less than 2 × 2 pixels remain.
std::optional<QRect> evenArea(const QRect& area, const QSize& displaySize);

// A display's number from its output name ("HDMI-1"): the same while the X server runs, across
// its resets and restarts, so an identifier copied from a listing keeps working (an X atom's
// number is not: atoms are handed out anew after each reset). FNV-1a folded to 31 bits, never 0.
std::uint32_t stableDisplayID(std::string_view outputName);

std::string displayIdentifier(const DisplayInfo& display);
std::string windowIdentifier(const WindowInfo& window);
std::string applicationIdentifier(const ApplicationInfo& application);

// What the X server reports, before filtering.
struct ShareableContent {
    std::vector<DisplayInfo> displays;
    std::vector<WindowInfo> windows;        // front-most first
    std::vector<ApplicationInfo> applications;
};

// The lists a user may choose from.
struct SourceLists {
    std::vector<DisplayInfo> displays;
    std::vector<WindowInfo> windows;
    std::vector<ApplicationInfo> applications;
    std::vector<WindowInfo> ownWindows;
    CaptureBackend backend = CaptureBackend::x11;
};

// The lists on a desktop served by the ScreenCast portal: one "Choose a display…" item, and one
// "Choose a window…" item when the portal shares windows. Their identifiers keep the display-
// and window- prefixes; the desktop's own picker says which one is recorded.
SourceLists portalSourceLists(bool sharesWindows);

// Leaves out untitled and off-screen windows, windows without an owner, nameless applications, and
// everything of process ownPid (whose windows become ownWindows). Order is kept.
SourceLists filterSources(const ShareableContent& content, std::int64_t ownPid);

// The screen-space converter for a display list: the primary monitor, else the first, else empty.
ScreenSpace screenSpaceOf(const std::vector<DisplayInfo>& displays);

// Resolves an identifier against the lists: displays first, then windows, then applications (on
// the first display). Nothing when there is no identifier or no match.
std::optional<CaptureSource> resolveSource(const SourceLists& lists,
                                           const std::optional<std::string>& identifier);

} // namespace tarnix
