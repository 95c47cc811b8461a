#include <gtest/gtest.h>

#include "CompositingTestSupport.h"
#include "compositing/ZoomCrop.h"

using namespace tarnix;

namespace {

// A 1920 × 1080 frame whose top-left quadrant is red, the rest blue.
QImage quadrantFrame()
{
    QImage frame = test::solid(1920, 1080, Qt::blue);
    for (int y = 0; y < 540; ++y)
        for (int x = 0; x < 960; ++x)
            frame.setPixel(x, y, qRgb(255, 0, 0));
    return frame;
}

} // namespace

TEST(ZoomCrop, CropsTheNormalisedRectangleMeasuredFromTheTop)
{
    QImage frame = quadrantFrame();
    // (0, 0, 0.5, 0.25) on 1920 × 1080 is (0, 810, 960, 270) in bottom-up pixels: the top strip.
    auto slice = ZoomCompositor::crop({0, 0, 0.5, 0.25}, frame, {1920, 1080});
    EXPECT_EQ(slice.sourceRect, QRectF(0, 0, 960, 270));
    EXPECT_EQ(slice.size, (Size{1920, 1080}));
    // Scaled by (2, 4) to cover the whole frame: all red.
    QImage out = graphics::render(slice);
    EXPECT_EQ(out.size(), QSize(1920, 1080));
    EXPECT_PIXEL_NEAR(out, 0, 0, qRgb(255, 0, 0), 0);
    EXPECT_PIXEL_NEAR(out, 1919, 1079, qRgb(255, 0, 0), 0);
}

TEST(ZoomCrop, TheFullFrameOrAnEmptyRectangleLeavesThePictureUnzoomed)
{
    QImage frame = quadrantFrame();
    EXPECT_EQ(graphics::render(ZoomCompositor::crop(kUnitRect, frame, {1920, 1080})), frame);
    for (Rect empty : {Rect{0.2, 0.2, 0, 0.5}, Rect{0.2, 0.2, 0.5, -1}, Rect{0, 0, std::nan(""), 1}})
        EXPECT_EQ(ZoomCompositor::crop(empty, frame, {1920, 1080}).sourceRect,
                  QRectF(0, 0, 1920, 1080));
}

TEST(ZoomCrop, MeasuresTheRectangleOnTheFramesOwnPixels)
{
    // A half-size frame still shows the same part of the picture, stretched to the output size.
    QImage small = quadrantFrame().scaled(960, 540);
    auto slice = ZoomCompositor::crop({0, 0, 0.5, 0.5}, small, {1920, 1080});
    EXPECT_EQ(slice.sourceRect, QRectF(0, 0, 480, 270));
    QImage out = graphics::render(slice);
    EXPECT_PIXEL_NEAR(out, 1900, 1060, qRgb(255, 0, 0), 0);
}
