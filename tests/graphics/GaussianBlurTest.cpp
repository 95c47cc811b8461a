#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

#include "GraphicsTestSupport.h"
#include "graphics/GaussianBlur.h"
#include "graphics/Image.h"

using namespace tarnix::graphics;
namespace test = tarnix::test;

namespace {

// The left half black, the right half white.
QImage step(int w, int h)
{
    QImage image = makeImage(w, h, Qt::black);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            image.setPixel(x, y, qRgb(255, 255, 255));
    return image;
}

} // namespace

TEST(GaussianBlur, ThreeBoxWidthsMatchTheVarianceOfTheGaussian)
{
    auto widths = boxWidthsForGaussian(48);
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_EQ(widths, (std::vector<int>{95, 95, 97}));
    double variance = 0;
    for (int w : widths)
        variance += (double(w) * w - 1) / 12;
    EXPECT_NEAR(std::sqrt(variance), 48, 0.5);

    EXPECT_EQ(boxWidthsForGaussian(0), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(boxWidthsForGaussian(std::nan("")), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(boxWidthsForGaussian(-3), (std::vector<int>{1, 1, 1}));
}

TEST(GaussianBlur, EdgesAreExtendedSoAFlatPictureStaysFlatUpToItsBorder)
{
    QImage image = makeImage(300, 200, QColor(200, 40, 90));
    QImage out = blurred(image, 32);
    EXPECT_EQ(test::maxDifference(out, image, out.rect()), 0);
}

TEST(GaussianBlur, AStepBecomesTheGaussianIntegral)
{
    const double sigma = 16;
    QImage out = blurred(step(400, 20), sigma);
    int edge = 200; // first white column; the step lies between 199 and 200
    auto valueAt = [&](int x) { return qGreen(out.pixel(x, 10)); };
    EXPECT_NEAR(valueAt(edge) + valueAt(edge - 1), 255, 2);
    // One standard deviation into the white side: Φ(1) ≈ 0.841.
    EXPECT_NEAR(valueAt(edge + int(sigma)), 0.841 * 255, 6);
    EXPECT_NEAR(valueAt(edge - 1 - int(sigma)), 0.159 * 255, 6);
    // Far from the edge nothing changes.
    EXPECT_EQ(valueAt(5), 0);
    EXPECT_EQ(valueAt(395), 255);
}

TEST(GaussianBlur, WideBlursMatchTheGaussianIntegralToALevelOrTwo)
{
    // The redaction's 48 px on a 1920 canvas runs on the coarse grid: compare with Φ.
    const double sigma = 48;
    QImage out = blurred(step(1920, 8), sigma);
    for (int d = -150; d <= 150; d += 6) {
        int x = 960 + d; // pixel centres lie at d + 0.5 from the step
        double expected = 255 * 0.5 * std::erfc(-(d + 0.5) / (sigma * std::sqrt(2.0)));
        EXPECT_NEAR(qGreen(out.pixel(x, 4)), expected, 2.5) << "at " << d;
    }
}

TEST(GaussianBlur, BlurringOnlyARectangleGivesTheSamePixelsAsBlurringEverything)
{
    QImage image = test::noise(900, 700, 7);
    QImage whole = blurred(image, 20);
    QImage part = image.copy();
    QRect area(10, 300, 250, 120); // near the left edge, so clamping is involved
    QRect far(700, 5, 190, 60);
    blurRects(part, {area, far}, 20);
    EXPECT_LE(test::maxDifference(part, whole, area), 1);
    EXPECT_LE(test::maxDifference(part, whole, far), 1);
    // Outside the rectangles the picture is untouched.
    EXPECT_EQ(test::maxDifference(part, image, QRect(300, 0, 300, 700)), 0);
    EXPECT_LT(test::spread(part, area), test::spread(image, area) / 4);
}

TEST(GaussianBlur, OverlappingRectanglesReadTheOriginalPicture)
{
    QImage image = test::noise(400, 300, 3);
    QImage whole = blurred(image, 10);
    QImage part = image.copy();
    blurRects(part, {QRect(50, 50, 200, 100), QRect(100, 80, 200, 150)}, 10);
    EXPECT_LE(test::maxDifference(part, whole, QRect(50, 50, 200, 100)), 1);
    EXPECT_LE(test::maxDifference(part, whole, QRect(100, 80, 200, 150)), 1);
}

TEST(GaussianBlur, RectanglesOutsideThePictureAreIgnored)
{
    QImage image = test::noise(64, 64, 1);
    QImage copy = image.copy();
    blurRects(copy, {QRect(100, 100, 20, 20), QRect(-50, -50, 10, 10)}, 8);
    EXPECT_EQ(test::maxDifference(copy, image, image.rect()), 0);
}

TEST(GaussianBlur, KeepsPremultipliedPixelsValid)
{
    QImage image = makeImage(120, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 60; x < 120; ++x)
            image.setPixel(x, y, qPremultiply(qRgba(255, 128, 0, 90)));
    QImage out = blurred(image, 12);
    for (int y = 0; y < 80; y += 7)
        for (int x = 0; x < 120; ++x) {
            QRgb p = out.pixel(x, y);
            EXPECT_LE(qRed(p), qAlpha(p));
            EXPECT_LE(qGreen(p), qAlpha(p));
        }
    EXPECT_EQ(qAlpha(out.pixel(0, 40)), 0);
}

// A plane is blurred as a grey picture's channels are: narrow and wide (coarse-grid) blurs, areas
// at the plane's edges (the edge extended) and in the middle, overlapping areas reading the
// original, an odd-sized plane, and nothing outside the areas touched.
TEST(GaussianBlur, APlaneIsBlurredAsAGreyPicture)
{
    const int w = 203, h = 117;
    QImage picture = makeImage(w, h);
    std::vector<std::uint8_t> samples(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Hard edges and a ramp: the blur's shape, not only its mean, shows.
            const int v = ((x / 13 + y / 9) % 2) ? 230 : (x * 255 / w) / 3;
            samples[std::size_t(y) * w + x] = std::uint8_t(v);
            picture.setPixel(x, y, qRgb(v, v, v));
        }
    const std::vector<QRect> rects{QRect(0, 0, 40, 30), QRect(30, 20, 60, 50),
                                   QRect(150, 80, 80, 60), QRect(-10, 100, 20, 40)};
    for (double sigma : {3.0, 9.0, 20.0}) {
        SCOPED_TRACE("sigma " + std::to_string(sigma));
        QImage expected = picture.copy();
        blurRects(expected, rects, sigma);
        // Padding on each row: the stride is honoured.
        const int stride = w + 5;
        std::vector<std::uint8_t> plane(std::size_t(stride) * h, 7);
        for (int y = 0; y < h; ++y)
            std::copy_n(&samples[std::size_t(y) * w], w, &plane[std::size_t(y) * stride]);
        blurPlaneRects(Plane{plane.data(), stride, w, h}, rects, sigma);
        int worst = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                worst = std::max(worst, std::abs(int(plane[std::size_t(y) * stride + x]) -
                                                 qBlue(expected.pixel(x, y))));
            for (int x = w; x < stride; ++x)
                ASSERT_EQ(plane[std::size_t(y) * stride + x], 7);
        }
        EXPECT_LE(worst, 2);
    }
}
