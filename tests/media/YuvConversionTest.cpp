#include <gtest/gtest.h>

#include "media/FFmpegSupport.h"
#include "media/YuvConversion.h"

namespace tarnix::media {
namespace {

struct Yuv {
    int y, u, v;
};

// The first luma sample and chroma sample of a 4 × 2 picture of one colour.
Yuv convertFlat(QColor colour)
{
    QImage image(4, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    ff::FramePtr frame = ff::makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 4;
    frame->height = 2;
    av_frame_get_buffer(frame.get(), 0);
    EXPECT_TRUE(convertBgraToYuv420(image, *frame));
    return {frame->data[0][0], frame->data[1][0], frame->data[2][0]};
}

TEST(YuvConversion, MatchesBt709LimitedRange)
{
    auto near = [](Yuv got, Yuv want) {
        return std::abs(got.y - want.y) <= 1 && std::abs(got.u - want.u) <= 1 &&
               std::abs(got.v - want.v) <= 1;
    };
    EXPECT_TRUE(near(convertFlat(Qt::black), {16, 128, 128}));
    EXPECT_TRUE(near(convertFlat(Qt::white), {235, 128, 128}));
    EXPECT_TRUE(near(convertFlat(QColor(255, 0, 0)), {63, 102, 240}));
    EXPECT_TRUE(near(convertFlat(QColor(0, 255, 0)), {173, 42, 26}));
    EXPECT_TRUE(near(convertFlat(QColor(0, 0, 255)), {32, 240, 118}));
}

TEST(YuvConversion, ChromaIsTheMeanOfEachTwoByTwoBlockAndOddSizesAreRefused)
{
    QImage image(2, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    image.setPixel(0, 0, qRgb(0, 0, 255));
    image.setPixel(1, 1, qRgb(0, 0, 255));
    ff::FramePtr frame = ff::makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 2;
    frame->height = 2;
    av_frame_get_buffer(frame.get(), 0);
    ASSERT_TRUE(convertBgraToYuv420(image, *frame));
    EXPECT_NEAR(frame->data[1][0], 128 + (240 - 128) / 2, 1); // half blue
    EXPECT_NEAR(frame->data[0][0], 32, 1);
    EXPECT_NEAR(frame->data[0][1], 16, 1);

    QImage odd(3, 2, QImage::Format_ARGB32_Premultiplied);
    EXPECT_FALSE(convertBgraToYuv420(odd, *frame));
}

} // namespace
} // namespace tarnix::media
