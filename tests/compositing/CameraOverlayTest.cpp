#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

// Signed distance of a point to the outline of a bubble `side` pixels wide, negative inside.
double pointDistance(double px, double py, double side, double cornerRadius, bool circle)
{
    const double h = side / 2, dx = std::abs(px - h), dy = std::abs(py - h);
    const double r = circle ? h : std::min(cornerRadius, h);
    const double qx = dx - (h - r), qy = dy - (h - r);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
}

// The share of a pixel (top-left corner x, y) whose points satisfy `test`, from 8 × 8 samples.
template <class Test>
double sampledCoverage(int x, int y, Test test)
{
    constexpr int k = 8;
    int hits = 0;
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i)
            hits += test(x + (i + 0.5) / k, y + (j + 0.5) / k) ? 1 : 0;
    return double(hits) / (k * k);
}

// The bubble the slow way: drawn at twice the size, the picture cut to the outline and a 6 px
// border stroked on it, each with its pixels' true area coverage, then every 2 × 2 block averaged
// down. `picture` gives the camera colour of an output pixel.
template <class Picture>
QImage supersampledBubble(Picture picture, int side, const CameraOverlaySettings& settings)
{
    const int big = 2 * side;
    const bool circle = settings.shape == CameraBubbleShape::circle;
    const double radius = settings.cornerRadius * 2;
    auto distance = [&](double px, double py) { return pointDistance(px, py, big, radius, circle); };
    QImage half = graphics::makeImage(side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const QRgb colour = picture(x);
            const double channel[4] = {double(qRed(colour)), double(qGreen(colour)),
                                       double(qBlue(colour)), 255};
            double sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i) {
                    const int bx = 2 * x + i, by = 2 * y + j;
                    const double centre = distance(bx + 0.5, by + 0.5);
                    double inside = centre < -2 ? 1 : 0, stroke = 0;
                    if (std::abs(centre) < 6) {
                        inside = sampledCoverage(bx, by, [&](double px, double py) {
                            return distance(px, py) <= 0;
                        });
                        stroke = sampledCoverage(bx, by, [&](double px, double py) {
                            return std::abs(distance(px, py)) <= 3;
                        });
                    }
                    stroke *= 0.85;
                    for (int c = 0; c < 4; ++c)
                        sum[c] += channel[c] * inside * (1 - stroke) + 255 * stroke;
                }
            auto level = [&](int c) { return int(std::lround(sum[c] / 4)); };
            half.setPixel(x, y, qRgba(level(0), level(1), level(2), level(3)));
        }
    return half;
}

// Signed distance of a pixel's centre to the outline of a side × side bubble, negative inside.
double outlineDistance(int x, int y, int side, const CameraOverlaySettings& settings)
{
    return pointDistance(x + 0.5, y + 0.5, side, settings.cornerRadius,
                         settings.shape == CameraBubbleShape::circle);
}

int channelDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

} // namespace

TEST(CameraBubble, DrawnAtOnceItMatchesTheTwiceSizeBubbleScaledDown)
{
    const QImage camera = splitCamera();
    const int side = 200;
    for (auto shape : {CameraBubbleShape::circle, CameraBubbleShape::rounded})
        for (bool mirrored : {false, true})
            for (double radius : {28.0, 70.0}) {
                SCOPED_TRACE(std::string(shape == CameraBubbleShape::circle ? "circle" : "rounded") +
                             (mirrored ? ", mirrored" : "") + ", radius " + std::to_string(radius));
                auto settings = bubbleSettings(shape, {0.5, 0.5}, mirrored);
                settings.cornerRadius = radius;
                const QImage reference = supersampledBubble(
                    [&](int x) { return (x < side / 2) != mirrored ? kRed : kBlue; }, side, settings);
                const QRectF square = CameraOverlayRenderer::centredSquare(camera);
                const QImage fast = CameraOverlayRenderer::renderBubble(
                    {camera, square, {square.width(), square.height()}}, {double(side), double(side)},
                    settings, 1);
                ASSERT_EQ(fast.size(), reference.size());
                int worstEdge = 0, worstInside = 0, worstOutside = 0;
                QPoint worstEdgeAt;
                double edgeSum = 0;
                int edgePixels = 0;
                for (int y = 0; y < side; ++y)
                    for (int x = 0; x < side; ++x) {
                        // The red/blue seam of the picture is resampled by the scaler; skip it.
                        if (std::abs(x + 0.5 - side / 2.0) < 2)
                            continue;
                        const int difference = channelDifference(fast.pixel(x, y), reference.pixel(x, y));
                        const double d = outlineDistance(x, y, side, settings);
                        int& worst = d < -3.5 ? worstInside : d > 3.5 ? worstOutside : worstEdge;
                        if (&worst == &worstEdge) {
                            if (difference > worstEdge)
                                worstEdgeAt = {x, y};
                            edgeSum += difference;
                            ++edgePixels;
                        }
                        worst = std::max(worst, difference);
                    }
                EXPECT_LE(worstInside, 1);
                EXPECT_EQ(worstOutside, 0);
                EXPECT_LE(edgeSum / edgePixels, 1.0);
                EXPECT_LE(worstEdge, 6) << "at (" << worstEdgeAt.x() << ", " << worstEdgeAt.y()
                                        << "): " << test::describe(fast.pixel(worstEdgeAt))
                                        << " against " << test::describe(reference.pixel(worstEdgeAt));
            }
}

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


// The bubble of the last camera picture is kept between frames; a picture written over in place,
// another mirroring or another size must still be drawn anew.
TEST(CameraBubble, AKeptBubbleFollowsThePictureAndTheSettings)
{
    QImage camera = splitCamera();
    auto settings = bubbleSettings(CameraBubbleShape::circle, {0.5, 0.5}, false);
    EXPECT_PIXEL_NEAR(composeOnBlack(camera, settings), 500 - 50, 250, kRed, 0);
    camera.fill(QColor(0, 255, 0));
    EXPECT_PIXEL_NEAR(composeOnBlack(camera, settings), 500 - 50, 250, qRgb(0, 255, 0), 0);
    camera = splitCamera();
    composeOnBlack(camera, settings);
    settings.mirrored = true;
    EXPECT_PIXEL_NEAR(composeOnBlack(camera, settings), 500 - 50, 250, kBlue, 0);
    settings.sizeFraction = 0.4; // 400 px: 180 px from the centre is inside now
    EXPECT_PIXEL_NEAR(composeOnBlack(camera, settings), 500 + 180, 250, kRed, 0);
}
