#pragma once

#include <QColor>
#include <QImage>

#include <cstdlib>
#include <string>

#include "graphics/GraphicsTestSupport.h"
#include "graphics/Image.h"

// Pixel helpers for the picture tests: images are kPixelFormat, rows top-down as QImage stores
// them; `bottomRow` converts a row counted from the bottom (the compositor's convention).

namespace tarnix::test {

inline QImage solid(int w, int h, QColor color)
{
    return graphics::makeImage(w, h, color);
}

// Within `tolerance` on every channel (premultiplied values as stored).
inline bool near(QRgb actual, QRgb expected, int tolerance = 2)
{
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance &&
           std::abs(qAlpha(actual) - qAlpha(expected)) <= tolerance;
}

inline std::string describe(QRgb p)
{
    return "rgba(" + std::to_string(qRed(p)) + ", " + std::to_string(qGreen(p)) + ", " +
           std::to_string(qBlue(p)) + ", " + std::to_string(qAlpha(p)) + ")";
}

#define EXPECT_PIXEL_NEAR(image, x, y, expected, tolerance)                                        \
    EXPECT_TRUE(::tarnix::test::near((image).pixel((x), (y)), (expected), (tolerance)))            \
        << "pixel (" << (x) << ", " << (y) << ") is "                                              \
        << ::tarnix::test::describe((image).pixel((x), (y))) << ", expected "                       \
        << ::tarnix::test::describe(expected)

// The image row of a row counted from the bottom.
inline int bottomRow(const QImage& image, int rowFromBottom)
{
    return image.height() - 1 - rowFromBottom;
}

} // namespace tarnix::test
