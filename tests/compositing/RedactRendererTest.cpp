#include <gtest/gtest.h>

#include "CompositingTestSupport.h"
#include "compositing/RedactRenderer.h"

using namespace tarnix;

namespace {

RedactRegion region(double start, double end, Rect rect)
{
    RedactRegion r;
    r.start = start;
    r.end = end;
    r.rect = rect;
    return r;
}

void expectRect(const Rect& actual, const Rect& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
    EXPECT_NEAR(actual.width, expected.width, 1e-9);
    EXPECT_NEAR(actual.height, expected.height, 1e-9);
}

// Black and white squares of 8 px.
QImage checkerboard(int w, int h)
{
    QImage image = test::solid(w, h, Qt::black);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x / 8 + y / 8) % 2)
                image.setPixel(x, y, qRgb(255, 255, 255));
    return image;
}

} // namespace

TEST(Redaction, RegionsAreActiveFromTheirStartToTheirEndInclusive)
{
    std::vector<RedactRegion> regions{region(1, 2, {0.1, 0.1, 0.2, 0.2})};
    for (auto [time, active] : {std::pair{1.0, true}, {2.0, true}, {2.001, false}, {0.999, false}}) {
        OverlayPlacement at{time, kUnitRect, nullptr, {100, 100}};
        EXPECT_EQ(RedactRenderer::canvasRects(at, regions).size(), active ? 1u : 0u) << time;
    }
}

TEST(Redaction, RegionsFollowTheZoomAndAreNotClipped)
{
    Rect zoom{0.5, 0.5, 0.5, 0.5};
    std::vector<RedactRegion> regions{region(0, 1, {0.4, 0.6, 0.2, 0.1}),  // partly inside
                                      region(0, 1, {0.1, 0.1, 0.2, 0.2}),  // wholly outside
                                      region(0, 1, {0.3, 0.5, 0.2, 0.2})}; // touches the edge only
    auto rects = RedactRenderer::canvasRects({0.5, zoom, nullptr, {100, 100}}, regions);
    ASSERT_EQ(rects.size(), 1u);
    expectRect(rects[0], {-0.2, 0.2, 0.4, 0.2});
    EXPECT_TRUE(RedactRenderer::canvasRects({0.5, {0, 0, 0, 1}, nullptr, {100, 100}}, regions).empty());
}

TEST(Redaction, WithABackgroundTheFullCaptureMapsOntoTheContent)
{
    BackgroundFrame frame;
    frame.contentSize = {1728, 972};
    frame.contentOrigin = {96, 54};
    auto rects = RedactRenderer::canvasRects({0, kUnitRect, &frame, {1920, 1080}},
                                             {region(0, 1, kUnitRect)});
    ASSERT_EQ(rects.size(), 1u);
    expectRect(rects[0], {0.05, 0.05, 0.9, 0.9});
}

TEST(Redaction, BlurRadiusIsTwoAndAHalfPercentOfTheLongerSide)
{
    EXPECT_DOUBLE_EQ(RedactRenderer::blurRadius({1920, 1080}), 48);
    EXPECT_DOUBLE_EQ(RedactRenderer::blurRadius({1280, 720}), 32);
    EXPECT_DOUBLE_EQ(RedactRenderer::blurRadius({720, 1280}), 32);
}

TEST(Redaction, BlursInsideTheRegionAndLeavesTheRestUntouched)
{
    QImage original = checkerboard(400, 200);
    QImage out = original.copy();
    graphics::Canvas canvas(out);
    // Normalised canvas space, y down: pixels 100 ... 299 across, 50 ... 149 down.
    RedactRenderer::compose(canvas, {Rect{0.25, 0.25, 0.5, 0.5}}, {400, 200});
    QRect inside(100, 50, 200, 100);
    EXPECT_LT(test::spread(out, inside), test::spread(original, inside) / 10);
    for (QRect outside : {QRect(0, 0, 400, 50), QRect(0, 150, 400, 50), QRect(0, 50, 100, 100),
                          QRect(300, 50, 100, 100)})
        EXPECT_EQ(test::maxDifference(out, original, outside), 0);
    // The blurred inside keeps the picture's mean grey and stays opaque.
    EXPECT_NEAR(qGreen(out.pixel(200, 100)), 128, 12);
    EXPECT_EQ(qAlpha(out.pixel(100, 50)), 255);
}

TEST(Redaction, AFullFrameRegionBlursEverythingUpToTheBorder)
{
    QImage original = checkerboard(320, 180);
    QImage out = original.copy();
    graphics::Canvas canvas(out);
    RedactRenderer::draw(canvas, {0, kUnitRect, nullptr, {320, 180}}, {region(0, 1, kUnitRect)});
    EXPECT_LT(test::spread(out, out.rect()), test::spread(original, out.rect()) / 10);
    // Edges are extended, not faded to transparent.
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(out.pixel(319, 179)), 255);
    EXPECT_EQ(qAlpha(out.pixel(160, 0)), 255);
}

TEST(Redaction, RegionsOutsideTheCanvasOrEmptyBlurNothing)
{
    QImage original = checkerboard(100, 100);
    QImage out = original.copy();
    graphics::Canvas canvas(out);
    RedactRenderer::compose(canvas, {Rect{1.5, 0, 0.2, 0.2}, Rect{0.2, 0.2, 0, 0.5}, Rect{-1e300, 0, 1e300, 0.5}}, {100, 100});
    EXPECT_EQ(out, original);
    RedactRenderer::compose(canvas, {Rect{0, 0, 1, 1}}, {0, 100});
    EXPECT_EQ(out, original);
}
