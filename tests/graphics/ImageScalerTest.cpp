#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "GraphicsTestSupport.h"
#include "graphics/Image.h"
#include "graphics/ImageScaler.h"

using namespace tarnix::graphics;
namespace test = tarnix::test;

TEST(ImageScaler, CopiesExactlyAtTheSameSize)
{
    QImage source = test::noise(37, 23, 1);
    QImage target = makeImage(37, 23, Qt::black);
    ASSERT_TRUE(scaleInto(target, QRectF(0, 0, 37, 23), source, QRectF(0, 0, 37, 23)));
    EXPECT_EQ(target, source);
}

TEST(ImageScaler, InterpolatesLinearlyBetweenPixelCentres)
{
    QImage source = makeImage(2, 2, Qt::black);
    source.setPixel(1, 0, qRgb(255, 255, 255));
    source.setPixel(1, 1, qRgb(255, 255, 255));
    QImage target = makeImage(8, 2);
    ASSERT_TRUE(scaleInto(target, QRectF(0, 0, 8, 2), source, QRectF(0, 0, 2, 2)));
    // Output centres 0.5 ... 7.5 map to source x = 0.0625 ... 1.8125 - 0.5: clamped, then a ramp.
    EXPECT_EQ(qGreen(target.pixel(0, 0)), 0);
    EXPECT_EQ(qGreen(target.pixel(1, 0)), 0);
    EXPECT_NEAR(qGreen(target.pixel(3, 0)), 255 * 3 / 8, 2);
    EXPECT_NEAR(qGreen(target.pixel(4, 0)), 255 * 5 / 8, 2);
    EXPECT_EQ(qGreen(target.pixel(7, 1)), 255);
}

TEST(ImageScaler, MatchesThePainterWithinALevelOrTwo)
{
    QImage source = test::noise(300, 200, 5);
    QRectF from(40.5, 30.25, 150.5, 90.75);
    QRectF to(0, 0, 640, 360);
    QImage ours = makeImage(640, 360, Qt::black);
    ASSERT_TRUE(scaleInto(ours, to, source, from));
    QImage reference = makeImage(640, 360, Qt::black);
    {
        QPainter painter(&reference);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(to, source, from);
    }
    // Away from the border, where the two treat the source rectangle's edge differently.
    EXPECT_LE(test::maxDifference(ours, reference, QRect(8, 8, 624, 344)), 3);
}

// Bilinear sampling in double precision, samples kept within the source rectangle's pixels.
QImage referenceScale(const QImage& source, const QRectF& from, QSize size)
{
    QImage out = makeImage(size.width(), size.height());
    double kx = from.width() / size.width(), ky = from.height() / size.height();
    int left = int(from.left()), right = int(std::ceil(from.right())) - 1;
    int top = int(from.top()), bottom = int(std::ceil(from.bottom())) - 1;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            double sx = std::clamp(from.left() + (x + 0.5) * kx - 0.5, double(left), double(right));
            double sy = std::clamp(from.top() + (y + 0.5) * ky - 0.5, double(top), double(bottom));
            int x0 = int(sx), y0 = int(sy);
            int x1 = std::min(x0 + 1, right), y1 = std::min(y0 + 1, bottom);
            double fx = sx - x0, fy = sy - y0;
            auto channel = [&](int (*get)(QRgb)) {
                double top = get(source.pixel(x0, y0)) * (1 - fx) + get(source.pixel(x1, y0)) * fx;
                double low = get(source.pixel(x0, y1)) * (1 - fx) + get(source.pixel(x1, y1)) * fx;
                return int(std::lround(top * (1 - fy) + low * fy));
            };
            out.setPixel(x, y, qRgba(channel(qRed), channel(qGreen), channel(qBlue), channel(qAlpha)));
        }
    return out;
}

TEST(ImageScaler, MatchesExactBilinearSamplingWhenEnlargingAndReducing)
{
    QImage source = test::noise(480, 270, 9);
    // Enlarging (a zoom), mildly reducing (the screen in a padded background), reducing by 1.9
    // and by 3 (each output column then reads its own pair of source pixels).
    for (auto [from, size] : {std::pair{QRectF(100.25, 40.5, 200, 112.5), QSize(480, 270)},
                              std::pair{QRectF(source.rect()), QSize(403, 227)},
                              std::pair{QRectF(source.rect()), QSize(250, 140)},
                              std::pair{QRectF(source.rect()), QSize(160, 90)}}) {
        QImage ours = makeImage(size.width(), size.height(), Qt::black);
        ASSERT_TRUE(scaleInto(ours, QRectF(QPointF(0, 0), QSizeF(size)), source, from));
        EXPECT_LE(test::maxDifference(ours, referenceScale(source, from, size), ours.rect()), 2)
            << size.width();
    }
}

TEST(ImageScaler, ReducesANarrowPictureUpToItsLastPixel)
{
    // Groups of eight columns near the right edge read up to sixteen source pixels: they must
    // stay within the row, also on the last row, where the buffer ends (ASan watches).
    QImage source = test::noise(37, 6, 4);
    for (QSize size : {QSize(20, 4), QSize(33, 6), QSize(36, 6)}) {
        QImage ours = makeImage(size.width(), size.height(), Qt::black);
        ASSERT_TRUE(scaleInto(ours, QRectF(QPointF(0, 0), QSizeF(size)), source, source.rect()));
        EXPECT_LE(test::maxDifference(ours, referenceScale(source, source.rect(), size),
                                      ours.rect()),
                  2)
            << size.width();
    }
}

TEST(ImageScaler, MixesPartlyCoveredEdgePixels)
{
    QImage source = makeImage(4, 4, Qt::white);
    QImage target = makeImage(10, 10, Qt::black);
    ASSERT_TRUE(scaleInto(target, QRectF(2.5, 2, 5, 5.25), source, QRectF(0, 0, 4, 4)));
    EXPECT_EQ(qGreen(target.pixel(1, 4)), 0);
    EXPECT_NEAR(qGreen(target.pixel(2, 4)), 128, 1); // half covered
    EXPECT_EQ(qGreen(target.pixel(3, 4)), 255);
    EXPECT_NEAR(qGreen(target.pixel(7, 4)), 128, 1);
    EXPECT_NEAR(qGreen(target.pixel(4, 7)), 64, 1); // a quarter of the row
    EXPECT_EQ(qGreen(target.pixel(4, 8)), 0);
}

TEST(ImageScaler, RefusesWhatItCannotDrawAndClipsTheRest)
{
    QImage target = makeImage(10, 10, Qt::black);
    QImage tiny = makeImage(1, 1, Qt::white);
    EXPECT_FALSE(scaleInto(target, QRectF(0, 0, 10, 10), tiny, QRectF(0, 0, 1, 1)));
    QImage source = makeImage(4, 4, Qt::white);
    EXPECT_FALSE(scaleInto(target, QRectF(0, 0, 0, 10), source, QRectF(0, 0, 4, 4)));
    EXPECT_FALSE(scaleInto(target, QRectF(0, 0, 10, 10), source, QRectF(0, 0, std::nan(""), 4)));
    EXPECT_FALSE(scaleInto(target, QRectF(0, 0, 10, 10), source, QRectF(1.2, 1.2, 0.5, 0.5)));
    EXPECT_TRUE(scaleInto(target, QRectF(-20, -5, 25, 30), source, QRectF(0, 0, 4, 4)));
    EXPECT_EQ(qGreen(target.pixel(4, 9)), 255);
    EXPECT_EQ(qGreen(target.pixel(5, 0)), 0);
    EXPECT_TRUE(scaleInto(target, QRectF(50, 50, 10, 10), source, QRectF(0, 0, 4, 4)));
}

// One plane scaled as the four-channel scaler scales the green channel: the same taps, the same
// rounding, on the gathering path and on the plain tail alike; odd sizes, fractional rectangles,
// enlarging and reducing.
TEST(ImageScaler, ScalesAPlaneAsItScalesAChannel)
{
    const QImage source = test::noise(101, 57, 7);
    std::vector<std::uint8_t> green(std::size_t(source.width()) * source.height());
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            green[std::size_t(y) * source.width() + x] = std::uint8_t(qGreen(source.pixel(x, y)));
    const ConstPlane plane{green.data(), source.width(), source.width(), source.height()};
    struct Case {
        QRectF target;
        QRectF from;
    };
    for (const Case& c : {Case{{3.0, 2.0, 180.0, 90.0}, {0.0, 0.0, 101.0, 57.0}},
                          Case{{0.5, 1.25, 61.5, 33.0}, {10.5, 3.25, 80.0, 50.0}},
                          Case{{0.0, 0.0, 39.0, 21.0}, {1.0, 1.0, 99.0, 55.0}}}) {
        QImage expected = makeImage(200, 100, Qt::black);
        ASSERT_TRUE(scaleInto(expected, c.target, source, c.from));
        std::vector<std::uint8_t> out(200 * 100, 0);
        ASSERT_TRUE(scalePlaneInto({out.data(), 200, 200, 100}, c.target, plane, c.from));
        // Inside the wholly covered pixels (the plane scaler leaves the partly covered edges to
        // its caller).
        const QRect inner = c.target.adjusted(1, 1, -1, -1).toAlignedRect();
        int worst = 0;
        for (int y = inner.top() + 1; y < inner.bottom(); ++y)
            for (int x = inner.left() + 1; x < inner.right(); ++x)
                worst = std::max(worst, std::abs(out[std::size_t(y) * 200 + x] -
                                                 qGreen(expected.pixel(x, y))));
        EXPECT_LE(worst, 1) << "target " << c.target.x() << ", " << c.target.y();
    }
    std::vector<std::uint8_t> out(4);
    EXPECT_FALSE(scalePlaneInto({out.data(), 2, 2, 2}, QRectF(0, 0, 2, 2),
                                {green.data(), 1, 1, 1}, QRectF(0, 0, 1, 1)));
}
