#pragma once

#include <QImage>
#include <QRegion>

#include <memory>

#include "capture/CaptureSource.h"
#include "capture/FrameSource.h"
#include "capture/x11/X11Connection.h"
#include "capture/x11/X11OwnWindowEraser.h"

// Grabs frames of one capture source with MIT-SHM, on the capture thread that created it.
// Display: the monitor's rectangle of the root window (or the chosen area of it), without the own windows it is given
// (OwnWindowEraser paints what lies beneath them). The monitor is followed when RandR moves it or
// changes its size, so frames then come at its new size. Window: the window's own contents through
// XComposite, whatever covers it, following its size and place. Application: the display with everything
// that is not one of the application's windows painted black. The cursor is never in the picture.
//
// Frames are BGRX bytes (QImage::Format_RGB32 layout), device pixels, left in the shared-memory
// segment until the next grab: read them in place, which saves copying 8 MB per 1080p frame.

namespace tarnix::x11 {

class FrameGrabber : public FrameSource {
public:
    // Opens its own connection. Raises X11Error when the server, MIT-SHM or XComposite (for
    // windows) is missing.
    explicit FrameGrabber(const CaptureSource& source, const std::vector<WindowInfo>& ownWindows = {});
    ~FrameGrabber() override;
    FrameGrabber(const FrameGrabber&) = delete;
    FrameGrabber& operator=(const FrameGrabber&) = delete;

    // Grabs one frame and returns a view of it, valid until the next grab; a null image when
    // there is nothing to grab right now (window unmapped). Raises X11Error when the source has
    // gone (window closed, connection lost).
    QImage grab() override;
    bool lastGrabMissed() const override { return missed_; }
    // A window's frame in root pixels as the last grab found it; for displays and applications,
    // the monitor's as last read (nothing while it is gone).
    std::optional<QRect> followedArea() const override;

private:
    struct Shm;
    QImage grabDrawable(xcb_drawable_t drawable, QRect area);
    QImage grabWindow();
    // The monitor's rectangle of the root (display and application); null when it is gone.
    QImage grabDisplay(double now);
    // What a display grab reads, in root pixels: the monitor, or the recorded area of it where it
    // lies now; empty while the monitor is gone.
    QRect grabbedArea() const;
    // Reads where the monitor is now; true when that changed.
    bool followDisplay(double now);
    void maskApplication(QImage& image, double now);

    CaptureSource source_;
    Connection connection_;
    std::unique_ptr<Shm> shm_;
    std::unique_ptr<OwnWindowEraser> eraser_; // displays with own windows only
    xcb_pixmap_t pixmap_ = 0;
    QSize pixmapSize_;
    std::optional<QRect> windowArea_;
    QRegion applicationRegion_;
    double regionTime_ = -1;
    double redirectTime_ = 0; // CaptureClock time of the Composite redirect
    QRect displayArea_;        // the monitor in root pixels as last read; empty when it is gone
    double displayReadTime_ = -1;
    bool missed_ = false;
};

} // namespace tarnix::x11
