#include "compositing/SystemCursor.h"

#include <QPainter>
#include <QPainterPath>

#include <X11/Xcursor/Xcursor.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "graphics/Image.h"

namespace tarnix::SystemCursorLoader {

namespace {

// libXcursor loads the size nearest to the one asked for: asking for a huge size gives the
// largest the theme has.
constexpr int kLargestSize = 4096;

struct ImagesDeleter {
    void operator()(XcursorImages* images) const { XcursorImagesDestroy(images); }
};

std::optional<SystemCursor> fromXcursor(const XcursorImage& cursor)
{
    int w = int(cursor.width), h = int(cursor.height);
    QImage image = graphics::makeImage(w, h);
    if (image.isNull() || !cursor.pixels)
        return std::nullopt;
    // Xcursor pixels are premultiplied ARGB in native byte order, as kPixelFormat is.
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), cursor.pixels + std::size_t(y) * w, std::size_t(w) * 4);
    // The hot spot is given from the top-left corner.
    return SystemCursor{image, Point{double(cursor.xhot), double(h) - double(cursor.yhot)},
                        Size{double(w), double(h)}};
}

} // namespace

std::optional<SystemCursor> loadFromTheme(const char* theme, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        std::unique_ptr<XcursorImages, ImagesDeleter> images(
            XcursorLibraryLoadImages(name.c_str(), theme, kLargestSize));
        if (!images || images->nimage < 1 || !images->images[0])
            continue;
        if (auto cursor = fromXcursor(*images->images[0]))
            return cursor;
    }
    return std::nullopt;
}

SystemCursor vectorArrow()
{
    // The arrow's outline on a 12 × 20 grid, tip at the origin, y down.
    static const QPointF kOutline[] = {{0, 0},   {0, 16.5}, {4, 12.8}, {6.6, 19},
                                       {9, 18},  {6.4, 12},  {11.6, 12}};
    constexpr double kScale = 4;
    constexpr double kMargin = 3; // room for the white outline around the tip
    const int w = int(12 * kScale + 2 * kMargin), h = int(20 * kScale + 2 * kMargin);

    QPainterPath path;
    path.moveTo(kOutline[0] * kScale);
    for (const QPointF& p : kOutline)
        path.lineTo(p * kScale);
    path.closeSubpath();
    path.translate(kMargin, kMargin);

    QImage image = graphics::makeImage(w, h);
    if (!image.isNull()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::black);
        painter.drawPath(path);
    }
    return SystemCursor{image, Point{kMargin, double(h) - kMargin}, Size{double(w), double(h)}};
}

std::optional<SystemCursor> load()
{
    const char* theme = std::getenv("XCURSOR_THEME");
    if (!theme || !*theme)
        theme = "default";
    if (auto cursor = loadFromTheme(theme, {"left_ptr", "default"}))
        return cursor;
    SystemCursor arrow = vectorArrow();
    if (arrow.image.isNull())
        return std::nullopt;
    return arrow;
}

} // namespace tarnix::SystemCursorLoader
