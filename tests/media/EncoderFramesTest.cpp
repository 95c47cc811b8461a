#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cstdlib>

#include "media/EncoderFrames.h"

namespace tarnix::media {
namespace {

// Sample (x, y) of a 4:2:0 frame's plane 0 (Y), 1 (U) or 2 (V), whatever the layout.
int sample(const AVFrame& frame, int plane, int x, int y)
{
    if (plane == 0)
        return frame.data[0][y * frame.linesize[0] + x];
    if (frame.format == AV_PIX_FMT_NV12)
        return frame.data[1][y * frame.linesize[1] + 2 * x + plane - 1];
    return frame.data[plane][y * frame.linesize[plane] + x];
}

// The recorder's path for a window that changed size: the picture scaled into part of the frame,
// black around it. Interleaved chroma must land where planar chroma does, with the same values.
TEST(EncoderFrames, APictureScaledIntoPartOfTheFrameIsTheSameInEitherLayout)
{
    QImage picture(101, 57, QImage::Format_RGB32); // odd sides: libswscale's path
    picture.fill(QColor(200, 40, 90));
    QPainter(&picture).fillRect(0, 0, 50, 28, QColor(20, 220, 120));
    const QSize size(160, 90);
    const QRect area(30, 12, 100, 56);

    EncoderFramePool planarPool(size), interleavedPool(size, AV_PIX_FMT_NV12);
    const auto planar = planarPool.frame();
    const auto interleaved = interleavedPool.frame();
    ASSERT_TRUE(planar && interleaved);
    EXPECT_EQ(interleaved->format, AV_PIX_FMT_NV12);
    EncoderFrameConverter planarConverter(SWS_BILINEAR), interleavedConverter(SWS_BILINEAR);
    ASSERT_TRUE(planarConverter.convertInto(picture, *planar, area));
    ASSERT_TRUE(interleavedConverter.convertInto(picture, *interleaved, area));

    int differences = 0, black = 0;
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        for (int y = 0; y < size.height() >> shift; ++y)
            for (int x = 0; x < size.width() >> shift; ++x) {
                const int value = sample(*interleaved, plane, x, y);
                differences += std::abs(value - sample(*planar, plane, x, y)) > 1;
                if (!area.contains(x << shift, y << shift))
                    black += value != (plane == 0 ? 16 : 128);
            }
    }
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(black, 0) << "outside the area the frame is black, right beside it too";
    // The picture's colours are inside the area, at its corners.
    EXPECT_GT(sample(*interleaved, 2, area.right() / 2 - 1, area.bottom() / 2 - 1), 160) << "red's V";
    EXPECT_LT(sample(*interleaved, 2, area.left() / 2 + 1, area.top() / 2 + 1), 100) << "green's V";
}

} // namespace
} // namespace tarnix::media
