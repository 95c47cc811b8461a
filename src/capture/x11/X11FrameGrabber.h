#pragma once

#include <QImage>
#include <QRegion>

#include <memory>

#include "capture/CaptureSource.h"
#include "capture/x11/X11Connection.h"

// Grabs frames of one capture source with MIT-SHM, on the capture thread that created it.
// Display: the monitor's rectangle of the root window. Window: the window's own contents through
// XComposite, whatever covers it, following its size. Application: the display with everything
// that is not one of the application's windows painted black. The cursor is never in the picture.
//
// Frames are QImage::Format_RGB32 (BGRX bytes), device pixels.

namespace tarnix::x11 {

class FrameGrabber {
public:
    // Opens its own connection. Raises X11Error when the server, MIT-SHM or XComposite (for
    // windows) is missing.
    explicit FrameGrabber(const CaptureSource& source);
    ~FrameGrabber();
    FrameGrabber(const FrameGrabber&) = delete;
    FrameGrabber& operator=(const FrameGrabber&) = delete;

    // Grabs into `out`, reusing its buffer when the size matches. Returns false when there is
    // nothing to grab right now (window unmapped). Raises X11Error when the source has gone
    // (window closed, connection lost).
    bool grab(QImage& out);

private:
    struct Shm;
    bool grabDrawable(xcb_drawable_t drawable, QRect area, QImage& out);
    bool grabWindow(QImage& out);
    void maskApplication(QImage& image, double now);

    CaptureSource source_;
    Connection connection_;
    std::unique_ptr<Shm> shm_;
    xcb_pixmap_t pixmap_ = 0;
    QSize pixmapSize_;
    QRegion applicationRegion_;
    double regionTime_ = -1;
    double redirectTime_ = 0; // CaptureClock time of the Composite redirect
};

} // namespace tarnix::x11
