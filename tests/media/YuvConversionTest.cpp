#include <gtest/gtest.h>

#include <cstring>

#include "media/FFmpegSupport.h"
#include "media/YuvConversion.h"

namespace tarnix::media {
namespace {

struct Yuv {
    int y, u, v;
};

ff::FramePtr yuvFrame(int width, int height, AVPixelFormat format = AV_PIX_FMT_YUV420P)
{
    ff::FramePtr frame = ff::makeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    av_frame_get_buffer(frame.get(), 0);
    return frame;
}

// The first luma sample and chroma sample of a 4 × 2 picture of one colour.
Yuv convertFlat(QColor colour)
{
    QImage image(4, 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    ff::FramePtr frame = yuvFrame(4, 2);
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
    ff::FramePtr frame = yuvFrame(2, 2);
    ASSERT_TRUE(convertBgraToYuv420(image, *frame));
    EXPECT_NEAR(frame->data[1][0], 128 + (240 - 128) / 2, 1); // half blue
    EXPECT_NEAR(frame->data[0][0], 32, 1);
    EXPECT_NEAR(frame->data[0][1], 16, 1);

    QImage odd(3, 2, QImage::Format_ARGB32_Premultiplied);
    EXPECT_FALSE(convertBgraToYuv420(odd, *frame));
}

// A noisy picture as wide as several vector blocks plus a remainder: every sample must match the
// BT.709 formula within rounding, whichever path converted it, and the interleaved layout must
// hold the very same samples.
TEST(YuvConversion, EverySampleOfAWidePictureMatchesTheFormulaInEitherLayout)
{
    const int width = 2 * 16 * 3 + 6, height = 6;
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, 0xff000000u | (seed >> 8));
        }
    ff::FramePtr frame = yuvFrame(width, height);
    ASSERT_TRUE(convertBgraToYuv420(image, *frame));

    auto luma = [](QRgb p) {
        return 16 + 219 / 255.0 * (0.2126 * qRed(p) + 0.7152 * qGreen(p) + 0.0722 * qBlue(p));
    };
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mismatches += std::abs(frame->data[0][y * frame->linesize[0] + x] - luma(image.pixel(x, y))) > 0.6;
    for (int y = 0; y < height / 2; ++y)
        for (int x = 0; x < width / 2; ++x) {
            double r = 0, g = 0, b = 0;
            for (QPoint p : {QPoint(2 * x, 2 * y), QPoint(2 * x + 1, 2 * y), QPoint(2 * x, 2 * y + 1),
                             QPoint(2 * x + 1, 2 * y + 1)}) {
                r += qRed(image.pixel(p)) / 4.0;
                g += qGreen(image.pixel(p)) / 4.0;
                b += qBlue(image.pixel(p)) / 4.0;
            }
            const double u = 128 + 224 / 255.0 * (-0.114572 * r - 0.385428 * g + 0.5 * b);
            const double v = 128 + 224 / 255.0 * (0.5 * r - 0.454153 * g - 0.045847 * b);
            mismatches += std::abs(frame->data[1][y * frame->linesize[1] + x] - u) > 0.6;
            mismatches += std::abs(frame->data[2][y * frame->linesize[2] + x] - v) > 0.6;
        }
    EXPECT_EQ(mismatches, 0);

    ff::FramePtr nv12 = yuvFrame(width, height, AV_PIX_FMT_NV12);
    ASSERT_TRUE(convertBgraToYuv420(image, *nv12));
    int differences = 0;
    for (int y = 0; y < height; ++y)
        differences += std::memcmp(nv12->data[0] + y * nv12->linesize[0], frame->data[0] + y * frame->linesize[0],
                                   std::size_t(width)) != 0;
    for (int y = 0; y < height / 2; ++y)
        for (int x = 0; x < width / 2; ++x) {
            const std::uint8_t* uv = nv12->data[1] + y * nv12->linesize[1] + 2 * x;
            differences += uv[0] != frame->data[1][y * frame->linesize[1] + x];
            differences += uv[1] != frame->data[2][y * frame->linesize[2] + x];
        }
    EXPECT_EQ(differences, 0);
}

} // namespace
} // namespace tarnix::media
