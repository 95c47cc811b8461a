#include <gtest/gtest.h>

#include "CompositingTestSupport.h"
#include "compositing/ClickRippleRenderer.h"
#include "compositing/CursorOverlayRenderer.h"
#include "compositing/CursorTrack.h"
#include "compositing/ShapeRenderer.h"

using namespace tarnix;

namespace {

void expectPoint(std::optional<Point> actual, Point expected)
{
    ASSERT_TRUE(actual);
    EXPECT_NEAR(actual->x, expected.x, 1e-9);
    EXPECT_NEAR(actual->y, expected.y, 1e-9);
}

OverlayPlacement placement(double t, Size size, Rect zoom = kUnitRect,
                           const BackgroundFrame* background = nullptr)
{
    return OverlayPlacement{t, zoom, background, size};
}

CursorOverlaySettings cursorSettings(CursorStyle style, double sizeFraction)
{
    CursorOverlaySettings settings;
    settings.style = style;
    settings.sizeFraction = sizeFraction;
    return settings;
}

// The distance from (cx, cy) along the row at which brightness first drops to 0.
int rowExtent(const QImage& image, int cx, int cy)
{
    int r = 0;
    while (cx + r < image.width() && qGreen(image.pixel(cx + r, cy)) > 0)
        ++r;
    return r;
}

const std::vector<NormalizedCursorSample> kCentre{{0, {0.5, 0.5}}};

} // namespace

TEST(CursorTrack, PositionHoldsTheEndsAndInterpolatesBetweenSamples)
{
    EXPECT_FALSE(CursorTrack::position(1, {}));
    std::vector<NormalizedCursorSample> one{{2, {0.3, 0.4}}};
    expectPoint(CursorTrack::position(0, one), {0.3, 0.4});
    expectPoint(CursorTrack::position(9, one), {0.3, 0.4});

    std::vector<NormalizedCursorSample> track{
        {1, {0, 0}}, {2, {1, 0.5}}, {3, {0.5, 0.5}}, {3, {0.2, 0.2}}, {5, {0.2, 1}}};
    expectPoint(CursorTrack::position(0, track), {0, 0});
    expectPoint(CursorTrack::position(1.5, track), {0.5, 0.25});
    expectPoint(CursorTrack::position(2, track), {1, 0.5}); // exactly at an inner sample
    expectPoint(CursorTrack::position(4, track), {0.2, 0.6});
    expectPoint(CursorTrack::position(7, track), {0.2, 1});
    EXPECT_TRUE(CursorTrack::position(std::nan(""), track));
}

TEST(CursorTrack, ZoomedKeepsPointsOnTheEdgeAndDropsThoseOutside)
{
    Rect zoom{0.2, 0.2, 0.5, 0.5};
    expectPoint(CursorTrack::zoomed({0.45, 0.45}, zoom), {0.5, 0.5});
    expectPoint(CursorTrack::zoomed({0.2, 0.7}, zoom), {0, 1});
    EXPECT_FALSE(CursorTrack::zoomed({0.1999, 0.5}, zoom));
    EXPECT_FALSE(CursorTrack::zoomed({0.5, 0.7001}, zoom));
    EXPECT_FALSE(CursorTrack::zoomed({std::nan(""), 0.5}, zoom));
    EXPECT_FALSE(CursorTrack::zoomed({0.5, 0.5}, {0, 0, 0, 1}));
}

TEST(ContentMapping, PlacesZoomedPointsInsideTheContentRectangle)
{
    BackgroundFrame frame;
    frame.contentSize = {1728, 972};
    frame.contentOrigin = {96, 54};
    expectPoint(ContentMapping::toCanvas(Point{0, 0}, &frame, {1920, 1080}), {0.05, 0.05});
    expectPoint(ContentMapping::toCanvas(Point{1, 1}, &frame, {1920, 1080}), {0.95, 0.95});
    expectPoint(ContentMapping::toCanvas(Point{0.5, 0.5}, nullptr, {1920, 1080}), {0.5, 0.5});
    expectPoint(ContentMapping::toCanvas(Point{0.5, 0.5}, &frame, {0, 1080}), {0.5, 0.5});
}

TEST(ClickRipples, FirstIndexIsALowerBound)
{
    std::vector<NormalizedClickSample> clicks{{0.1, {}}, {0.5, {}}, {0.5, {}}, {0.9, {}}};
    EXPECT_EQ(ClickRippleRenderer::firstIndex(0.5, clicks), 1u);
    EXPECT_EQ(ClickRippleRenderer::firstIndex(0.0, clicks), 0u);
    EXPECT_EQ(ClickRippleRenderer::firstIndex(0.6, clicks), 3u);
    EXPECT_FALSE(ClickRippleRenderer::firstIndex(1.0, clicks));
    EXPECT_FALSE(ClickRippleRenderer::firstIndex(0.0, {}));
}

TEST(Shapes, CircleIsADiscOrARingCentredInItsImage)
{
    QImage disc = ShapeRenderer::circle(38.4, Qt::white);
    ASSERT_EQ(disc.size(), QSize(39, 39));
    EXPECT_EQ(qAlpha(disc.pixel(19, 19)), 255);
    EXPECT_EQ(qAlpha(disc.pixel(0, 0)), 0);

    QImage ring = ShapeRenderer::circle(40, Qt::white, 6);
    EXPECT_EQ(qAlpha(ring.pixel(20, 20)), 0);
    EXPECT_EQ(qAlpha(ring.pixel(20, 2)), 255); // 3 px into the ring's 6 px band
    EXPECT_EQ(qAlpha(ring.pixel(20, 10)), 0);

    QImage thin = ShapeRenderer::circle(8, Qt::white, 1.5);
    EXPECT_EQ(qAlpha(thin.pixel(4, 4)), 0);
    EXPECT_GT(qAlpha(thin.pixel(4, 0)), 100);

    EXPECT_TRUE(ShapeRenderer::circle(0, Qt::white).isNull());
    EXPECT_TRUE(ShapeRenderer::circle(-3, Qt::white).isNull());
    EXPECT_TRUE(ShapeRenderer::circle(std::nan(""), Qt::white).isNull());
    EXPECT_TRUE(ShapeRenderer::circle(1e30, Qt::white).isNull());
}

TEST(CursorOverlay, DotIsTwoPercentOfTheWidthAcrossAndTheRingIsHollow)
{
    auto drawAtCentre = [](CursorStyle style) {
        QImage out = test::solid(1920, 1080, Qt::black);
        graphics::Canvas canvas(out);
        CursorOverlayRenderer::draw(canvas, placement(0, {1920, 1080}), kCentre,
                                    cursorSettings(style, 0.02));
        return out;
    };
    // Diameter 38.4: radius 19.2 around (960, 540).
    QImage dot = drawAtCentre(CursorStyle::dot);
    EXPECT_PIXEL_NEAR(dot, 960, 540, qRgb(255, 255, 255), 0);
    EXPECT_NEAR(rowExtent(dot, 960, 540), 19, 1);
    // The ring's line width 6.144 lies inside the same radius.
    QImage ring = drawAtCentre(CursorStyle::ring);
    for (auto [dx, lit] : {std::pair{0, false}, {10, false}, {16, true}, {22, false}})
        EXPECT_PIXEL_NEAR(ring, 960 + dx, 540, lit ? qRgb(255, 255, 255) : qRgb(0, 0, 0), 0);
}

TEST(CursorOverlay, TheSystemArrowsHotSpotLandsOnTheCursorPosition)
{
    const auto& cursor = CursorOverlayRenderer::system();
    ASSERT_TRUE(cursor);
    ASSERT_GT(cursor->pixelSize.width, 0);
    EXPECT_EQ(&CursorOverlayRenderer::system(), &cursor); // made once

    // Drawn at its own pixel size: the picture is copied unscaled around the hot spot.
    const int side = 1000;
    QImage out = test::solid(side, side, Qt::transparent);
    graphics::Canvas canvas(out);
    CursorOverlayRenderer::draw(canvas, placement(0, {double(side), double(side)}), kCentre,
                                cursorSettings(CursorStyle::system,
                                               cursor->pixelSize.width / side));
    int hotX = int(cursor->hotSpot.x);
    int hotY = int(cursor->pixelSize.height - cursor->hotSpot.y); // from the top
    int opaque = 0;
    for (int j = 0; j < cursor->image.height(); ++j)
        for (int i = 0; i < cursor->image.width(); ++i) {
            QRgb expected = cursor->image.pixel(i, j);
            ASSERT_TRUE(test::near(out.pixel(500 - hotX + i, 500 - hotY + j), expected, 1))
                << i << ", " << j;
            opaque += qAlpha(expected) == 255;
        }
    EXPECT_GT(opaque, 20);
}

TEST(CursorOverlay, ThemeLookupFindsNothingForUnknownNames)
{
    EXPECT_FALSE(SystemCursorLoader::loadFromTheme("no-such-theme", {"no-such-cursor"}));
    EXPECT_FALSE(SystemCursorLoader::loadFromTheme("default", {}));
}

TEST(CursorOverlay, VectorArrowHasItsHotSpotAtTheTip)
{
    SystemCursor arrow = SystemCursorLoader::vectorArrow();
    ASSERT_FALSE(arrow.image.isNull());
    int x = int(arrow.hotSpot.x), y = int(arrow.pixelSize.height - arrow.hotSpot.y);
    EXPECT_GT(qAlpha(arrow.image.pixel(x, y)), 0);
    EXPECT_EQ(qAlpha(arrow.image.pixel(x - 3, y - 3)), 0);
    // The body lies below and to the right of the tip.
    EXPECT_EQ(arrow.image.pixel(x + 4, y + 20), qRgb(0, 0, 0));
}

TEST(CursorOverlay, NothingIsDrawnOutsideTheZoomWhenDisabledOrWithoutSize)
{
    QImage blank = test::solid(200, 100, Qt::black);
    auto drawWith = [&](const OverlayPlacement& where, const CursorOverlaySettings& settings,
                        const std::vector<NormalizedCursorSample>& samples) {
        QImage out = blank.copy();
        graphics::Canvas canvas(out);
        CursorOverlayRenderer::draw(canvas, where, samples, settings);
        return out;
    };
    auto dot = cursorSettings(CursorStyle::dot, 0.1);
    EXPECT_EQ(drawWith(placement(0, {200, 100}, {0, 0, 0.4, 0.4}), dot, kCentre), blank);
    EXPECT_NE(drawWith(placement(0, {200, 100}, {0, 0, 0.5, 0.5}), dot, kCentre), blank);
    auto disabled = dot;
    disabled.isEnabled = false;
    EXPECT_EQ(drawWith(placement(0, {200, 100}), disabled, kCentre), blank);
    EXPECT_EQ(drawWith(placement(0, {200, 100}), cursorSettings(CursorStyle::dot, 0), kCentre),
              blank);
    EXPECT_EQ(drawWith(placement(0, {200, 100}), dot, {}), blank);
}

TEST(CursorOverlay, FollowsTheContentRectangleOfTheBackground)
{
    BackgroundFrame frame;
    frame.contentSize = {100, 50};
    frame.contentOrigin = {50, 25};
    QImage out = test::solid(200, 100, Qt::black);
    graphics::Canvas canvas(out);
    // The capture's top-left corner lands on the content's top-left corner, (50, 25) from the top.
    CursorOverlayRenderer::draw(canvas, placement(0, {200, 100}, kUnitRect, &frame),
                                {{0, {0, 0}}}, cursorSettings(CursorStyle::dot, 0.05));
    EXPECT_PIXEL_NEAR(out, 50, 25, qRgb(255, 255, 255), 0);
    EXPECT_PIXEL_NEAR(out, 5, 5, qRgb(0, 0, 0), 0);
}

TEST(ClickRipples, GrowAndFadeOverTheirLifetime)
{
    CursorOverlaySettings settings = cursorSettings(CursorStyle::dot, 0.04); // base 40 on 1000
    std::vector<NormalizedClickSample> clicks{{1.0, {0.5, 0.5}}};
    auto drawAt = [&](double t) {
        QImage out = test::solid(1000, 1000, Qt::black);
        graphics::Canvas canvas(out);
        ClickRippleRenderer::draw(canvas, placement(t, {1000, 1000}), clicks, settings);
        return out;
    };
    // Halfway: diameter 40 × 1.9375 = 77.5, line width 6.4, alpha 0.15.
    QImage half = drawAt(1.0 + 0.275);
    EXPECT_PIXEL_NEAR(half, 500, 500, qRgb(0, 0, 0), 0);
    EXPECT_PIXEL_NEAR(half, 500 + 35, 500, qRgb(38, 38, 38), 3);
    EXPECT_PIXEL_NEAR(half, 500 + 45, 500, qRgb(0, 0, 0), 0);
    // At the press: diameter 22, alpha 0.6.
    QImage start = drawAt(1.0);
    EXPECT_PIXEL_NEAR(start, 500 + 8, 500, qRgb(153, 153, 153), 4);
    // Both ends of the lifetime are included; outside it nothing is drawn.
    QImage blank = test::solid(1000, 1000, Qt::black);
    EXPECT_EQ(drawAt(1.0 + 0.55), blank); // alpha has faded to 0
    EXPECT_EQ(drawAt(1.0 + 0.56), blank);
    EXPECT_EQ(drawAt(0.99), blank);
}

TEST(ClickRipples, ShowWithoutTheCursorButNotOutsideTheZoom)
{
    CursorOverlaySettings settings = cursorSettings(CursorStyle::dot, 0.04);
    settings.isEnabled = false;
    std::vector<NormalizedClickSample> clicks{{0.9, {0.2, 0.2}}, {1.0, {0.5, 0.5}}};
    QImage out = test::solid(1000, 1000, Qt::black);
    graphics::Canvas canvas(out);
    ClickRippleRenderer::draw(canvas, placement(1.1, {1000, 1000}, {0.3, 0.3, 0.4, 0.4}), clicks,
                              settings);
    EXPECT_GT(qGreen(out.pixel(500 + 20, 500)), 40); // the press at the centre
    EXPECT_EQ(qGreen(out.pixel(0, 0)), 0);            // the other lies outside the zoom

    settings.showsClickRipples = false;
    QImage none = test::solid(1000, 1000, Qt::black);
    graphics::Canvas noneCanvas(none);
    ClickRippleRenderer::draw(noneCanvas, placement(1.1, {1000, 1000}), clicks, settings);
    EXPECT_EQ(qGreen(none.pixel(520, 500)), 0);
}
