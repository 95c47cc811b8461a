#pragma once

#include <QColor>
#include <QGuiApplication>
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

// Text needs a font system; the suite runs on the offscreen platform.
inline void ensureGuiApplication()
{
    static int argc = 1;
    static char name[] = "tarnix_compositing_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QGuiApplication(argc, argv); // lives as long as the test program
}

// Mean difference per colour channel, 0...255, of two pictures of one size.
inline double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// The image row of a row counted from the bottom.
inline int bottomRow(const QImage& image, int rowFromBottom)
{
    return image.height() - 1 - rowFromBottom;
}

} // namespace tarnix::test
