#include "capture/CaptureSource.h"

#include <algorithm>

namespace tarnix {

CaptureSource CaptureSource::ofKind(Kind kind, ScreenSpace space)
{
    CaptureSource source;
    source.kind_ = kind;
    source.space_ = space;
    return source;
}

CaptureSource CaptureSource::forDisplay(DisplayInfo display, ScreenSpace space)
{
    CaptureSource source = ofKind(Kind::display, space);
    source.display_ = std::move(display);
    return source;
}

CaptureSource CaptureSource::forWindow(WindowInfo window, ScreenSpace space)
{
    CaptureSource source = ofKind(Kind::window, space);
    source.window_ = std::move(window);
    return source;
}

CaptureSource CaptureSource::forApplication(ApplicationInfo application, DisplayInfo display,
                                            ScreenSpace space)
{
    CaptureSource source = ofKind(Kind::application, space);
    source.application_ = std::move(application);
    source.display_ = std::move(display);
    return source;
}

CaptureSource CaptureSource::viaPortal() const
{
    CaptureSource source = *this;
    source.backend_ = CaptureBackend::portal;
    return source;
}

std::optional<QRect> evenArea(const QRect& area, const QSize& displaySize)
{
    QRect cut = area.normalized();
    if (!displaySize.isEmpty())
        cut &= QRect(QPoint(0, 0), displaySize);
    cut.setWidth(cut.width() & ~1);
    cut.setHeight(cut.height() & ~1);
    if (cut.width() < 2 || cut.height() < 2)
        return std::nullopt;
    return cut;
}

std::optional<CaptureSource> CaptureSource::cutTo(const QRect& area) const
{
    if (kind_ != Kind::display)
        return std::nullopt;
    auto cut = evenArea(area, display_.frame.size());
    if (!cut)
        return std::nullopt;
    CaptureSource source = *this;
    source.area_ = cut;
    return source;
}

SourceLists portalSourceLists(bool sharesWindows)
{
    SourceLists lists;
    lists.backend = CaptureBackend::portal;
    lists.displays.push_back({0, "Choose a display…", QRect(), true});
    if (sharesWindows) {
        WindowInfo window;
        window.title = "Choose a window…";
        window.isOnScreen = true;
        lists.windows.push_back(window);
    }
    return lists;
}

std::uint32_t stableDisplayID(std::string_view outputName)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : outputName) {
        hash ^= c;
        hash *= 16777619u;
    }
    hash = (hash >> 31 ^ hash) & 0x7fffffffu;
    return hash == 0 ? 1 : hash;
}

std::string displayIdentifier(const DisplayInfo& display)
{
    return "display-" + std::to_string(display.displayID);
}

std::string windowIdentifier(const WindowInfo& window)
{
    return "window-" + std::to_string(window.windowID);
}

std::string applicationIdentifier(const ApplicationInfo& application)
{
    return "app-" + application.bundleIdentifier;
}

std::string CaptureSource::identifier() const
{
    switch (kind_) {
    case Kind::display:
        return displayIdentifier(display_);
    case Kind::window:
        return windowIdentifier(window_);
    case Kind::application:
        return applicationIdentifier(application_);
    }
    return {};
}

QSize CaptureSource::pixelSize() const
{
    if (kind_ == Kind::window)
        return {std::max(2, window_.frame.width()), std::max(2, window_.frame.height())};
    if (area_)
        return area_->size();
    return display_.frame.size();
}

QRect CaptureSource::rootFrame() const
{
    if (kind_ == Kind::window)
        return window_.frame;
    if (area_)
        return area_->translated(display_.frame.topLeft());
    return display_.frame;
}

Rect CaptureSource::screenFrame() const
{
    return screenFrameOf(rootFrame());
}

Rect CaptureSource::screenFrameOf(const QRect& rootArea) const
{
    return space_.toScreen(QRectF(rootArea));
}

SourceLists filterSources(const ShareableContent& content, std::int64_t ownPid)
{
    SourceLists lists;
    lists.displays = content.displays;
    for (const auto& window : content.windows) {
        if (window.processID == ownPid && ownPid != 0) {
            lists.ownWindows.push_back(window);
            continue;
        }
        if (!window.title.empty() && window.isOnScreen && window.processID != 0)
            lists.windows.push_back(window);
    }
    for (const auto& application : content.applications)
        if (!application.applicationName.empty() && application.processID != ownPid)
            lists.applications.push_back(application);
    return lists;
}

ScreenSpace screenSpaceOf(const std::vector<DisplayInfo>& displays)
{
    for (const auto& display : displays)
        if (display.isPrimary)
            return {display.frame};
    return {displays.empty() ? QRect() : displays.front().frame};
}

namespace {

std::optional<CaptureSource> resolveListed(const SourceLists& lists,
                                           const std::optional<std::string>& identifier)
{
    if (!identifier)
        return std::nullopt;
    const ScreenSpace space = screenSpaceOf(lists.displays);
    for (const auto& display : lists.displays)
        if (displayIdentifier(display) == *identifier)
            return CaptureSource::forDisplay(display, space);
    for (const auto& window : lists.windows)
        if (windowIdentifier(window) == *identifier)
            return CaptureSource::forWindow(window, space);
    for (const auto& application : lists.applications) {
        if (applicationIdentifier(application) != *identifier)
            continue;
        if (lists.displays.empty())
            return std::nullopt;
        return CaptureSource::forApplication(application, lists.displays.front(), space);
    }
    return std::nullopt;
}

} // namespace

std::optional<CaptureSource> resolveSource(const SourceLists& lists,
                                           const std::optional<std::string>& identifier)
{
    auto source = resolveListed(lists, identifier);
    if (source && lists.backend == CaptureBackend::portal)
        return source->viaPortal();
    return source;
}

} // namespace tarnix
