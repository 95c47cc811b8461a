#include "capture/x11/X11FrameGrabber.h"

#include <xcb/composite.h>
#include <xcb/shm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>

#include "capture/CaptureClock.h"
#include "capture/CaptureMessages.h"
#include "capture/x11/X11SourceLister.h"

namespace tarnix::x11 {

namespace {
constexpr double kApplicationWindowsRefresh = 0.5; // seconds between window-list reads
// After redirecting, the window's pixmap holds what was on screen there (overlapping windows
// included) until the application has repainted it: give it this long before the first grab.
constexpr double kRepaintGrace = 0.2;
// Seconds between reads of the monitor's place and size. A display that shrank fails the next
// grab and is read again at once; one that grew or moved is caught up within this time.
constexpr double kDisplayRecheck = 0.25;
}

// One shared-memory segment attached to the server; grown when a bigger area is grabbed.
struct FrameGrabber::Shm {
    xcb_connection_t* connection;
    xcb_shm_seg_t segment = 0;
    std::uint8_t* data = nullptr;
    std::size_t size = 0;

    explicit Shm(xcb_connection_t* c) : connection(c) {}
    ~Shm() { release(); }

    void release()
    {
        if (!data)
            return;
        xcb_shm_detach(connection, segment);
        shmdt(data);
        data = nullptr;
        size = 0;
    }

    void ensure(std::size_t bytes)
    {
        if (bytes <= size)
            return;
        release();
        // The scaler's vector loads may read a few bytes past a picture's last row: keep them
        // inside the mapping.
        constexpr std::size_t kReadSlack = 64;
        int id = shmget(IPC_PRIVATE, bytes + kReadSlack, IPC_CREAT | 0600);
        if (id < 0)
            throw X11Error("can't allocate shared memory for screen frames");
        void* address = shmat(id, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            throw X11Error("can't attach shared memory for screen frames");
        }
        segment = xcb_generate_id(connection);
        auto cookie = xcb_shm_attach_checked(connection, segment, static_cast<std::uint32_t>(id), 0);
        std::unique_ptr<xcb_generic_error_t, FreeDeleter<xcb_generic_error_t>> error(
            xcb_request_check(connection, cookie));
        shmctl(id, IPC_RMID, nullptr); // freed with the last detach, even after a crash
        if (error) {
            shmdt(address);
            throw X11Error("the X server refused shared memory (MIT-SHM)");
        }
        data = static_cast<std::uint8_t*>(address);
        size = bytes;
    }
};

FrameGrabber::FrameGrabber(const CaptureSource& source, const std::vector<WindowInfo>& ownWindows)
    : source_(source)
    , shm_(std::make_unique<Shm>(connection_.get()))
    , displayArea_(source.display().frame)
{
    Reply<xcb_shm_query_version_reply_t> shm(
        xcb_shm_query_version_reply(connection_.get(), xcb_shm_query_version(connection_.get()), nullptr));
    if (!shm)
        throw X11Error("the X server has no shared-memory extension (MIT-SHM)");
    if (source_.kind() == CaptureSource::Kind::display && !ownWindows.empty()) {
        std::vector<std::uint32_t> ids;
        for (const auto& window : ownWindows)
            ids.push_back(window.windowID);
        eraser_ = std::make_unique<OwnWindowEraser>(connection_, source_.rootFrame(), std::move(ids));
    }
    if (source_.kind() == CaptureSource::Kind::window) {
        Reply<xcb_composite_query_version_reply_t> composite(xcb_composite_query_version_reply(
            connection_.get(), xcb_composite_query_version(connection_.get(), 0, 4), nullptr));
        if (!composite)
            throw X11Error("the X server has no Composite extension, needed to record a window");
        const xcb_window_t window = source_.window().windowID;
        xcb_composite_redirect_window(connection_.get(), window, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        // The first pixmap after redirecting holds stale screen contents: have it repainted.
        xcb_clear_area(connection_.get(), 1, window, 0, 0, 0, 0);
        xcb_flush(connection_.get());
        redirectTime_ = CaptureClock::now();
    }
}

FrameGrabber::~FrameGrabber()
{
    if (pixmap_)
        xcb_free_pixmap(connection_.get(), pixmap_);
    if (source_.kind() == CaptureSource::Kind::window)
        xcb_composite_unredirect_window(connection_.get(), source_.window().windowID,
                                        XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    shm_.reset();
    xcb_flush(connection_.get());
}

QImage FrameGrabber::grabDrawable(xcb_drawable_t drawable, QRect area)
{
    const std::size_t bytes = static_cast<std::size_t>(area.width()) * area.height() * 4;
    shm_->ensure(bytes);
    xcb_generic_error_t* rawError = nullptr;
    Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
        connection_.get(),
        xcb_shm_get_image(connection_.get(), drawable, static_cast<std::int16_t>(area.x()),
                          static_cast<std::int16_t>(area.y()), static_cast<std::uint16_t>(area.width()),
                          static_cast<std::uint16_t>(area.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                          shm_->segment, 0),
        &rawError));
    std::unique_ptr<xcb_generic_error_t, FreeDeleter<xcb_generic_error_t>> error(rawError);
    if (!reply) {
        connection_.checkAlive();
        return {};
    }
    return QImage(shm_->data, area.width(), area.height(), area.width() * 4, QImage::Format_RGB32);
}

QImage FrameGrabber::grabWindow()
{
    xcb_connection_t* c = connection_.get();
    const xcb_window_t window = source_.window().windowID;
    xcb_generic_error_t* rawError = nullptr;
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), &rawError));
    std::free(rawError);
    if (!attributes) {
        connection_.checkAlive();
        throw X11Error(CaptureMessages::text(CaptureMessages::kRecordedWindowClosed));
    }
    if (attributes->map_state != XCB_MAP_STATE_VIEWABLE || CaptureClock::now() - redirectTime_ < kRepaintGrace)
        return {};
    // Both asked at once: one round trip. The window's place is its client area on the root
    // window, wherever the window manager's frame puts it.
    auto geometryCookie = xcb_get_geometry(c, window);
    auto originCookie = xcb_translate_coordinates(c, window, connection_.root(), 0, 0);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(c, originCookie, nullptr));
    if (!geometry || !origin)
        return {};
    const QSize size(geometry->width, geometry->height);
    windowArea_ = QRect(QPoint(origin->dst_x, origin->dst_y), size);
    if (!pixmap_ || size != pixmapSize_) {
        if (pixmap_)
            xcb_free_pixmap(c, pixmap_);
        pixmap_ = xcb_generate_id(c);
        xcb_composite_name_window_pixmap(c, window, pixmap_);
        pixmapSize_ = size;
    }
    return grabDrawable(pixmap_, QRect(QPoint(0, 0), size));
}

void FrameGrabber::maskApplication(QImage& image, double now)
{
    if (regionTime_ < 0 || now - regionTime_ >= kApplicationWindowsRefresh) {
        regionTime_ = now;
        // Stacking order from the back: the application's windows add to what is visible,
        // everyone else's windows cover it.
        auto windows = listWindows(connection_);
        QRegion visible;
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            if (!it->isOnScreen)
                continue;
            if (it->applicationID == source_.application().bundleIdentifier)
                visible += it->frame;
            else
                visible -= it->frame;
        }
        applicationRegion_ = visible.translated(-displayArea_.topLeft());
    }
    const QRegion hidden = QRegion(image.rect()) - applicationRegion_;
    for (const QRect& r : hidden)
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memset(image.scanLine(y) + r.left() * 4, 0, static_cast<std::size_t>(r.width()) * 4);
}

bool FrameGrabber::followDisplay(double now)
{
    displayReadTime_ = now;
    QRect area;
    for (const DisplayInfo& display : listDisplays(connection_))
        if (display.name == source_.display().name)
            area = display.frame;
    if (area == displayArea_)
        return false;
    displayArea_ = area;
    if (eraser_ && !grabbedArea().isEmpty())
        eraser_->setDisplay(grabbedArea());
    regionTime_ = -1; // the application's windows against the new place
    return true;
}

QRect FrameGrabber::grabbedArea() const
{
    if (!source_.area() || displayArea_.isEmpty())
        return displayArea_;
    return source_.area()->translated(displayArea_.topLeft()) & displayArea_;
}

QImage FrameGrabber::grabDisplay(double now)
{
    if (displayReadTime_ < 0 || now - displayReadTime_ >= kDisplayRecheck)
        followDisplay(now);
    QImage image = grabbedArea().isEmpty() ? QImage() : grabDrawable(connection_.root(), grabbedArea());
    // A grab that fails is most likely the display changing under it: look again at once.
    if (image.isNull() && followDisplay(now) && !grabbedArea().isEmpty())
        image = grabDrawable(connection_.root(), grabbedArea());
    missed_ = image.isNull();
    return image;
}

std::optional<QRect> FrameGrabber::followedArea() const
{
    if (source_.kind() == CaptureSource::Kind::window)
        return windowArea_;
    if (grabbedArea().isEmpty())
        return std::nullopt;
    return grabbedArea();
}

QImage FrameGrabber::grab()
{
    const double now = CaptureClock::now();
    switch (source_.kind()) {
    case CaptureSource::Kind::window:
        return grabWindow();
    case CaptureSource::Kind::display: {
        QImage image = grabDisplay(now);
        if (eraser_ && !image.isNull())
            eraser_->erase(image, now);
        return image;
    }
    case CaptureSource::Kind::application: {
        QImage image = grabDisplay(now);
        if (!image.isNull())
            maskApplication(image, now);
        return image;
    }
    }
    return {};
}

} // namespace tarnix::x11
