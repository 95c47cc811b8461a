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
