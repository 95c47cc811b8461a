#include "support/ScreenGrab.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tarnix::test {

QImage grabScreen()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    QImage picture;
    if (!xcb_connection_has_error(connection)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const auto cookie = xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          screen->width_in_pixels, screen->height_in_pixels, ~0u);
        if (xcb_get_image_reply_t* reply = xcb_get_image_reply(connection, cookie, nullptr)) {
            // A 24-bit root comes as 32 bits a pixel, BGRX: the layout of Format_RGB32.
            const int width = screen->width_in_pixels;
            const int height = screen->height_in_pixels;
            if (reply->depth == 24 && xcb_get_image_data_length(reply) >= width * height * 4) {
                picture = QImage(width, height, QImage::Format_RGB32);
                const uint8_t* data = xcb_get_image_data(reply);
                for (int y = 0; y < height; ++y)
                    std::memcpy(picture.scanLine(y), data + size_t(y) * width * 4, size_t(width) * 4);
            }
            std::free(reply);
        }
    }
    xcb_disconnect(connection);
    return picture;
}

WindowOnServer windowOnServer(unsigned long window)
{
    WindowOnServer place;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    auto rectOf = [&](xcb_window_t each) {
        QRect rect;
        if (auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, each), nullptr)) {
            const xcb_window_t root = geometry->root;
            if (auto* atRoot = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, each, root, 0, 0), nullptr)) {
                // The X border lies outside the window's own area.
                const int border = geometry->border_width;
                rect = QRect(atRoot->dst_x - border, atRoot->dst_y - border, geometry->width + 2 * border,
                             geometry->height + 2 * border);
                std::free(atRoot);
            }
            std::free(geometry);
        }
        return rect;
    };
    if (!xcb_connection_has_error(c)) {
        xcb_window_t outer = xcb_window_t(window);
        while (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, outer), nullptr)) {
            const bool top = tree->parent == tree->root || tree->parent == XCB_NONE;
            if (!top)
                outer = tree->parent;
            std::free(tree);
            if (top)
                break;
        }
        place.client = rectOf(xcb_window_t(window));
        place.frame = rectOf(outer);
    }
    xcb_disconnect(c);
    return place;
}

double shareOfPixels(const QImage& picture, const QRect& area, const std::function<bool(QRgb)>& matches)
{
    const QRect clipped = area.intersected(picture.rect());
    if (clipped.isEmpty())
        return 0;
    long count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += matches(line[x]) ? 1 : 0;
    }
    return double(count) / (double(clipped.width()) * clipped.height());
}

bool isNearBlack(QRgb pixel)
{
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) < 10;
}

} // namespace tarnix::test
