#pragma once

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "graphics/Image.h"

// Pictures and pixel measures shared by the picture tests.

namespace tarnix::test {

// Random opaque pixels, the same for the same seed.
inline QImage noise(int w, int h, unsigned seed)
{
    QImage image = graphics::makeImage(w, h);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(random() % 256, random() % 256, random() % 256));
    return image;
}

// The largest difference of any channel of any pixel in `area`.
inline int maxDifference(const QImage& a, const QImage& b, const QRect& area)
{
    int worst = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

// Standard deviation of the blue channel over `area`: high for a sharp striped, checked or noisy
// picture, near 0 once it is blurred.
inline double spread(const QImage& image, const QRect& area)
{
    double sum = 0, sumSq = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            double v = qBlue(image.pixel(x, y));
            sum += v;
            sumSq += v * v;
        }
    const double n = double(area.width()) * area.height(), mean = sum / n;
    return std::sqrt(std::max(sumSq / n - mean * mean, 0.0));
}

} // namespace tarnix::test
