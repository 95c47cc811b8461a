#include "capture/x11/X11OwnWindowEraser.h"

#include <xcb/composite.h>

#include <algorithm>
#include <cstring>

namespace tarnix::x11 {

namespace {

// A window's off-screen pixmap first holds whatever was on screen there, our own windows
// included, until its client has repainted: it is not used before this many seconds.
constexpr double kRepaintGrace = 0.2;
constexpr int kMaximumTreeDepth = 8;
// A window created or reparented makes the known stack stale; it is read again this soon, which
// bounds the reads while many windows come and go. A new window shows no contents before its
// grace anyway.
constexpr double kStaleStackRead = 0.1;

using ErrorPtr = std::unique_ptr<xcb_generic_error_t, FreeDeleter<xcb_generic_error_t>>;

std::vector<xcb_window_t> childrenOf(xcb_connection_t* c, const std::vector<xcb_window_t>& parents)
{
    std::vector<xcb_query_tree_cookie_t> cookies;
    cookies.reserve(parents.size());
    for (xcb_window_t parent : parents)
        cookies.push_back(xcb_query_tree(c, parent));
    std::vector<xcb_window_t> children;
    for (auto cookie : cookies) {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, cookie, nullptr));
        if (!tree)
            continue;
        const auto* list = xcb_query_tree_children(tree.get());
        children.insert(children.end(), list, list + xcb_query_tree_children_length(tree.get()));
    }
    return children;
}

} // namespace

OwnWindowEraser::OwnWindowEraser(Connection& connection, QRect display, std::vector<std::uint32_t> ownWindows)
    : connection_(connection)
    , display_(display)
    , ownWindows_(std::move(ownWindows))
{
    // Moves, resizes, restacking, maps and unmaps of the top-level windows.
    const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_.get(), connection_.root(), XCB_CW_EVENT_MASK, &events);
    redirectAndExpose();
}

OwnWindowEraser::~OwnWindowEraser()
{
    const std::uint32_t noEvents = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(connection_.get(), connection_.root(), XCB_CW_EVENT_MASK, &noEvents);
    freePixmaps();
    if (redirected_)
        xcb_composite_unredirect_subwindows(connection_.get(), connection_.root(),
                                            XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    xcb_flush(connection_.get());
}

void OwnWindowEraser::redirectAndExpose()
{
    xcb_connection_t* c = connection_.get();
    Reply<xcb_composite_query_version_reply_t> version(
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
    if (!version)
        return; // no Composite: what lies beneath an own window shows as the desktop background
    ErrorPtr error(xcb_request_check(
        c, xcb_composite_redirect_subwindows_checked(c, connection_.root(), XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
    if (error)
        return;
    redirected_ = true;
    // The fresh pixmaps hold stale screen contents: have every window repaint itself. Clearing a
    // window exposes only that window, not its children, hence the walk down the tree.
    std::vector<xcb_window_t> level{connection_.root()};
    for (int depth = 0; depth < kMaximumTreeDepth && !level.empty(); ++depth) {
        level = childrenOf(c, level);
        for (xcb_window_t window : level)
            xcb_clear_area(c, 1, window, 0, 0, 0, 0);
    }
    xcb_flush(c);
}

std::vector<xcb_window_t> OwnWindowEraser::ownTopLevels()
{
    xcb_connection_t* c = connection_.get();
    std::vector<xcb_window_t> topLevels;
    for (xcb_window_t window : ownWindows_) {
        // Window managers reparent clients into frames: climb to the root's child.
        for (int depth = 0; depth < kMaximumTreeDepth; ++depth) {
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
            if (!tree || tree->parent == XCB_NONE)
                break;
            if (tree->parent == connection_.root()) {
                topLevels.push_back(window);
                break;
            }
            window = tree->parent;
        }
    }
    return topLevels;
}

void OwnWindowEraser::readStack(double now)
{
    xcb_connection_t* c = connection_.get();
    const std::vector<xcb_window_t> own = ownTopLevels();
    const std::vector<xcb_window_t> children = childrenOf(c, {connection_.root()}); // bottom to top
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (xcb_window_t window : children) {
        attributeCookies.push_back(xcb_get_window_attributes(c, window));
        geometryCookies.push_back(xcb_get_geometry(c, window));
    }
    stack_.clear();
    std::map<xcb_window_t, double> mappedSince;
    for (std::size_t i = 0; i < children.size(); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, attributeCookies[i], nullptr));
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookies[i], nullptr));
        if (!attributes || !geometry)
            continue; // gone meanwhile
        TopLevel window;
        window.id = children[i];
        const int border = geometry->border_width;
        // The outer rectangle: the border is part of the window's pixmap.
        window.bounds = QRect(geometry->x, geometry->y, geometry->width + 2 * border, geometry->height + 2 * border);
        window.mapped = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        window.inputOnly = attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY;
        window.isOwn = std::find(own.begin(), own.end(), window.id) != own.end();
        if (window.mapped) {
            auto seen = mappedSince_.find(window.id);
            mappedSince[window.id] = seen == mappedSince_.end() ? now : seen->second;
        }
        stack_.push_back(window);
    }
    mappedSince_ = std::move(mappedSince);
    readTime_ = now;
    stackStale_ = false;
    backgroundKnown_ = false;
    // A window mapped again has a new pixmap: name them all afresh.
    freePixmaps();
}

bool OwnWindowEraser::applyEvents(double now, bool& changed)
{
    xcb_connection_t* c = connection_.get();
    bool stackKnown = true;
    auto find = [this](xcb_window_t id) {
        return std::find_if(stack_.begin(), stack_.end(), [id](const TopLevel& w) { return w.id == id; });
    };
    // A window missing from the stack as read means the stack must be read again.
    auto findKnown = [&](xcb_window_t id) {
        auto it = find(id);
        if (it == stack_.end())
            stackKnown = false;
        return it;
    };
    // Only what was read along with the grab: later events describe a later screen.
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(c)) {
        switch (event->response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            auto it = findKnown(configure->window);
            if (it == stack_.end())
                break;
            const int border = configure->border_width;
            it->bounds = QRect(configure->x, configure->y, configure->width + 2 * border,
                               configure->height + 2 * border);
            const xcb_window_t below = it == stack_.begin() ? XCB_NONE : std::prev(it)->id;
            if (configure->above_sibling != below) { // restacked just above that sibling
                const TopLevel moved = *it;
                stack_.erase(it);
                auto sibling = configure->above_sibling == XCB_NONE ? stack_.begin()
                                                                     : find(configure->above_sibling);
                if (sibling == stack_.end())
                    stackKnown = false;
                else
                    stack_.insert(configure->above_sibling == XCB_NONE ? sibling : std::next(sibling), moved);
            }
            changed = true;
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            auto it = findKnown(map->window);
            if (it == stack_.end())
                break;
            it->mapped = true;
            mappedSince_[map->window] = now; // not repainted yet
            changed = true;
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto* unmap = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
            if (auto it = find(unmap->window); it != stack_.end())
                it->mapped = false;
            mappedSince_.erase(unmap->window);
            changed = true;
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* destroy = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (auto it = find(destroy->window); it != stack_.end())
                stack_.erase(it);
            mappedSince_.erase(destroy->window);
            changed = true;
            break;
        }
        case XCB_CREATE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
            stackKnown = false; // rare: read the whole stack again
            break;
        default: // errors of requests nobody waits for (a window that went away), and the rest
            break;
        }
        std::free(event);
    }
    return stackKnown;
}

void OwnWindowEraser::replan(double now)
{
    std::vector<OwnWindowCoverPlan::StackedWindow> visible;
    for (const TopLevel& window : stack_) {
        if (!window.mapped || window.inputOnly)
            continue;
        auto since = mappedSince_.find(window.id);
        const bool ready = redirected_ && since != mappedSince_.end() && now - since->second >= kRepaintGrace;
        visible.push_back({window.id, window.bounds, window.isOwn, ready});
    }
    plan_ = OwnWindowCoverPlan::plan(visible, display_);
    // Keep the pixmaps still needed at the same size, name the others, free the rest.
    xcb_connection_t* c = connection_.get();
    std::map<xcb_window_t, NamedPixmap> named;
    for (const auto& patch : plan_.patches) {
        const QSize size = std::find_if(visible.begin(), visible.end(), [&](const auto& w) {
                               return w.id == patch.window;
                           })->bounds.size();
        auto old = pixmaps_.find(patch.window);
        if (old != pixmaps_.end() && old->second.size == size) {
            named[patch.window] = old->second;
            pixmaps_.erase(old);
            continue;
        }
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_composite_name_window_pixmap(c, patch.window, pixmap);
        named[patch.window] = {pixmap, size};
    }
    freePixmaps();
    pixmaps_ = std::move(named);
}

void OwnWindowEraser::nameBackground()
{
    xcb_connection_t* c = connection_.get();
    background_ = XCB_NONE;
    backgroundBounds_ = {};
    // The wallpaper setter's pixmap belongs to it: read from, never freed. When the setter
    // replaces it between two reads of the stack, the reads fail and leave black.
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const auto ids = connection_.cardinalList(connection_.root(), name, XCB_ATOM_PIXMAP);
        if (ids.empty() || ids.front() == XCB_NONE)
            continue;
        Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, ids.front()), nullptr));
        if (!geometry)
            continue;
        background_ = ids.front();
        backgroundBounds_ = QRect(0, 0, geometry->width, geometry->height);
        return;
    }
}

void OwnWindowEraser::freePixmaps()
{
    for (const auto& [window, named] : pixmaps_)
        xcb_free_pixmap(connection_.get(), named.pixmap);
    pixmaps_.clear();
}

void OwnWindowEraser::setDisplay(QRect display)
{
    if (display == display_)
        return;
    display_ = display;
    readTime_ = -1; // plan again against the new rectangle at the next frame
}

void OwnWindowEraser::erase(QImage& frame, double now)
{
    bool changed = false;
    stackStale_ = !applyEvents(now, changed) || stackStale_;
    const double sinceRead = now - readTime_;
    const bool read = readTime_ < 0 || sinceRead >= kStackRefresh || (stackStale_ && sinceRead >= kStaleStackRead);
    if (read)
        readStack(now);
    if (read || changed)
        replan(now);
    if (plan_.isEmpty())
        return;
    if (!plan_.background.isEmpty() && !backgroundKnown_) {
        nameBackground();
        backgroundKnown_ = true;
    }
    for (const auto& patch : plan_.patches)
        copyArea(frame, pixmaps_.at(patch.window).pixmap, patch.origin, patch.area);
    if (plan_.background.isEmpty())
        return;
    if (background_ == XCB_NONE) {
        fillBlack(frame, plan_.background);
        return;
    }
    const QRegion onPixmap = plan_.background & backgroundBounds_;
    copyArea(frame, background_, QPoint(0, 0), onPixmap);
    fillBlack(frame, plan_.background - onPixmap);
}

void OwnWindowEraser::copyArea(QImage& frame, xcb_drawable_t drawable, QPoint origin, const QRegion& area)
{
    xcb_connection_t* c = connection_.get();
    std::vector<QRect> rects;
    std::vector<xcb_get_image_cookie_t> cookies;
    for (const QRect& rect : area) {
        rects.push_back(rect);
        cookies.push_back(xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable,
                                        static_cast<std::int16_t>(rect.x() - origin.x()),
                                        static_cast<std::int16_t>(rect.y() - origin.y()),
                                        static_cast<std::uint16_t>(rect.width()),
                                        static_cast<std::uint16_t>(rect.height()), ~0u));
    }
    std::uint8_t* bits = frame.bits();
    const qsizetype stride = frame.bytesPerLine();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        xcb_generic_error_t* rawError = nullptr;
        Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(c, cookies[i], &rawError));
        ErrorPtr error(rawError);
        const QRect target = rects[i].translated(-display_.topLeft());
        const std::size_t row = static_cast<std::size_t>(target.width()) * 4;
        if (!image || xcb_get_image_data_length(image.get()) != static_cast<int>(row * target.height())) {
            fillBlack(frame, rects[i]); // gone, resized meanwhile, or not 32 bits a pixel
            continue;
        }
        const std::uint8_t* source = xcb_get_image_data(image.get());
        for (int y = 0; y < target.height(); ++y)
            std::memcpy(bits + (target.y() + y) * stride + target.x() * 4, source + y * row, row);
    }
}

void OwnWindowEraser::fillBlack(QImage& frame, const QRegion& area) const
{
    std::uint8_t* bits = frame.bits();
    const qsizetype stride = frame.bytesPerLine();
    for (const QRect& rect : area.translated(-display_.topLeft())) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            std::memset(bits + y * stride + rect.left() * 4, 0, static_cast<std::size_t>(rect.width()) * 4);
    }
}

} // namespace tarnix::x11
