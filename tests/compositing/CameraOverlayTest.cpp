#include <gtest/gtest.h>

#include "CompositingTestSupport.h"
#include "compositing/CameraOverlayRenderer.h"

using namespace tarnix;

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kBlack = qRgb(0, 0, 0);

CameraOverlaySettings bubbleSettings(CameraBubbleShape shape, Point position, bool mirrored)
{
    CameraOverlaySettings settings;
    settings.isEnabled = true;
    settings.shape = shape;
    settings.sizeFraction = 0.2;
    settings.position = position;
    settings.mirrored = mirrored;
    return settings;
}

// Left half red, right half blue.
QImage splitCamera()
{
    QImage camera = test::solid(1280, 720, kBlue);
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 640; ++x)
            camera.setPixel(x, y, kRed);
    return camera;
}

QImage composeOnBlack(const QImage& camera, const CameraOverlaySettings& settings,
                      QSize size = QSize(1000, 500))
{
    QImage out = test::solid(size.width(), size.height(), Qt::black);
    graphics::Canvas canvas(out);
    CameraOverlayRenderer::compose(camera, canvas, {double(size.width()), double(size.height())},
                                   settings);
    return out;
}

} // namespace

TEST(CameraBubble, TakesTheCentredSquareOfTheCameraFrame)
{
    EXPECT_EQ(CameraOverlayRenderer::centredSquare(test::solid(1280, 720, kRed)),
              QRectF(280, 0, 720, 720));
    EXPECT_EQ(CameraOverlayRenderer::centredSquare(test::solid(480, 640, kRed)),
              QRectF(0, 80, 480, 480));
    EXPECT_TRUE(CameraOverlayRenderer::centredSquare(QImage()).isEmpty());
}

TEST(CameraBubble, IsCentredWherePositionSaysMeasuredFromTheTop)
{
    // 20 % of 1000: a 200 px circle centred at (250, 125) from the top-left.
    QImage out = composeOnBlack(test::solid(1280, 720, kRed),
                                bubbleSettings(CameraBubbleShape::circle, {0.25, 0.25}, false));
    EXPECT_PIXEL_NEAR(out, 250, 125, kRed, 0);
    EXPECT_PIXEL_NEAR(out, 250 + 90, 125, kRed, 0);
    EXPECT_PIXEL_NEAR(out, 250, 125 - 90, kRed, 0);
    EXPECT_PIXEL_NEAR(out, 250 + 103, 125, kBlack, 0);
    EXPECT_PIXEL_NEAR(out, 250 + 72, 125 + 72, kBlack, 0); // outside the circle, inside its square
    // The light border sits on the outline.
    QRgb border = out.pixel(250 + 99, 125);
    EXPECT_GT(qGreen(border), 100);
    EXPECT_GT(qRed(border), 200);
}

TEST(CameraBubble, MirroringFlipsThePictureLeftToRight)
{
    auto settings = bubbleSettings(CameraBubbleShape::circle, {0.5, 0.5}, false);
    QImage plain = composeOnBlack(splitCamera(), settings);
    EXPECT_PIXEL_NEAR(plain, 500 - 50, 250, kRed, 0);
    EXPECT_PIXEL_NEAR(plain, 500 + 50, 250, kBlue, 0);
    settings.mirrored = true;
    QImage mirrored = composeOnBlack(splitCamera(), settings);
    EXPECT_PIXEL_NEAR(mirrored, 500 - 50, 250, kBlue, 0);
    EXPECT_PIXEL_NEAR(mirrored, 500 + 50, 250, kRed, 0);
    // The border is the same either way: just outside the circle only the border shows.
    EXPECT_EQ(plain.pixel(428, 178), mirrored.pixel(428, 178));
    EXPECT_EQ(plain.pixel(571, 178), mirrored.pixel(571, 178));
    EXPECT_GT(qGreen(plain.pixel(428, 178)), 150);
}

TEST(CameraBubble, RoundedCornersScaleWithTheRenderScale)
{
    QImage square = test::solid(300, 300, kRed);
    graphics::ImageSlice slice = graphics::wholeImage(square);
    auto settings = bubbleSettings(CameraBubbleShape::rounded, {0.5, 0.5}, false);
    settings.cornerRadius = 40;
    // Drawn at twice the size, the radius is 80.
    QImage bubble = CameraOverlayRenderer::renderBubble(slice, {400, 400}, settings, 2);
    ASSERT_EQ(bubble.size(), QSize(400, 400));
    EXPECT_EQ(qAlpha(bubble.pixel(2, 2)), 0);
    EXPECT_EQ(qAlpha(bubble.pixel(18, 18)), 0);      // 87 px from the corner's centre (80, 80)
    EXPECT_PIXEL_NEAR(bubble, 30, 30, kRed, 0);      // 71 px from it
    EXPECT_PIXEL_NEAR(bubble, 200, 200, kRed, 0);
    EXPECT_GT(qGreen(bubble.pixel(200, 1)), 150);     // the border (6 px wide, inner half 3 px)
    EXPECT_PIXEL_NEAR(bubble, 200, 5, kRed, 0);

    settings.cornerRadius = 1000; // half the side or more: a circle
    QImage round = CameraOverlayRenderer::renderBubble(slice, {400, 400}, settings, 2);
    EXPECT_EQ(qAlpha(round.pixel(40, 40)), 0);
    EXPECT_PIXEL_NEAR(round, 200, 200, kRed, 0);
    EXPECT_TRUE(CameraOverlayRenderer::renderBubble(slice, {0.4, 10}, settings, 2).isNull());
}

TEST(CameraBubble, AtTheTopLeftCornerOnlyAQuarterShows)
{
    QImage out = composeOnBlack(test::solid(640, 480, kRed),
                                bubbleSettings(CameraBubbleShape::circle, {0, 0}, false));
    EXPECT_PIXEL_NEAR(out, 5, 5, kRed, 0);
    EXPECT_PIXEL_NEAR(out, 150, 150, kBlack, 0);
    EXPECT_PIXEL_NEAR(out, 999, 499, kBlack, 0);
}

TEST(CameraBubble, NothingIsDrawnWhenDisabledTinyOrWithoutAPicture)
{
    QImage black = test::solid(1000, 500, Qt::black);
    auto settings = bubbleSettings(CameraBubbleShape::circle, {0.5, 0.5}, false);
    settings.isEnabled = false;
    EXPECT_EQ(composeOnBlack(test::solid(64, 64, kRed), settings), black);
    settings.isEnabled = true;
    settings.sizeFraction = 0.001; // one pixel
    EXPECT_EQ(composeOnBlack(test::solid(64, 64, kRed), settings), black);
    settings.sizeFraction = std::nan("");
    EXPECT_EQ(composeOnBlack(test::solid(64, 64, kRed), settings), black);
    settings.sizeFraction = 0.2;
    EXPECT_EQ(composeOnBlack(QImage(), settings), black);
}
