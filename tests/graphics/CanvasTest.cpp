#include <gtest/gtest.h>

#include "graphics/Canvas.h"
#include "graphics/Image.h"

using namespace tarnix;
using namespace tarnix::graphics;

TEST(Canvas, ConvertsTheBottomLeftOriginToImageRows)
{
    QRectF r = toImageRect(Rect{10, 20, 30, 40}, 100);
    EXPECT_EQ(r, QRectF(10, 40, 30, 40));
    EXPECT_EQ(toImagePoint(Point{5, 0}, 100), QPointF(5, 100));
}

TEST(Canvas, DrawsARectangleGivenFromTheBottomIntoTheLowRows)
{
    QImage target = makeImage(100, 100, Qt::black);
    QImage red = makeImage(10, 10, Qt::red);
    {
        Canvas canvas(target);
        canvas.drawImage(Rect{0, 0, 20, 10}, red); // stretched to 20 × 10 at the bottom-left
    }
    EXPECT_EQ(target.pixel(5, 95), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(19, 90), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(25, 95), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(5, 85), qRgb(0, 0, 0));
}

TEST(Image, RoundsPixelCountsHalfAwayFromZeroAndRejectsNonsense)
{
    EXPECT_EQ(roundedPixels(2.5), 3);
    EXPECT_EQ(roundedPixels(1612.8), 1613);
    EXPECT_EQ(roundedPixels(-0.5), -1);
    EXPECT_EQ(roundedPixels(std::nan("")), 0);
    EXPECT_EQ(roundedPixels(1e300), 0);
    EXPECT_TRUE(makeImage(0, 10).isNull());
}

TEST(Image, ColoursIgnoreTheDocumentAlpha)
{
    QColor c = opaqueColor(CodableColor{1, 0.5, 0, 0});
    EXPECT_EQ(c.alpha(), 255);
    EXPECT_EQ(c.red(), 255);
    EXPECT_NEAR(c.green(), 128, 1);
}

TEST(Image, RendersASliceAtItsSize)
{
    QImage source = makeImage(4, 4, Qt::blue);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    QImage out = render(ImageSlice{source, QRectF(0, 0, 1, 1), Size{8, 6}});
    ASSERT_EQ(out.size(), QSize(8, 6));
    EXPECT_EQ(out.pixel(4, 3), qRgb(255, 0, 0));
}
