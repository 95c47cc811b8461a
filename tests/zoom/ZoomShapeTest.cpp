#include <gtest/gtest.h>

#include <limits>

#include "RectExpectations.h"
#include "zoom/ZoomCompositor.h"
#include "zoom/ZoomShape.h"

using namespace tarnix;
using test::expectRect;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(ShownRect, UnequalSidesAreShownAsTheFrameShapedRectangleAboutTheCentre)
{
    // A strip from a document written before regions were frame-shaped.
    expectRect(ZoomShape::shown({0.1, 0.4, 0.8, 0.05}), {0.1, 0.025, 0.8, 0.8});
    // A tall strip at the right edge is shifted left into the frame.
    expectRect(ZoomShape::shown({0.9, 0.1, 0.05, 0.6}), {0.4, 0.1, 0.6, 0.6});
    // A strip across the whole frame shows the whole frame.
    expectRect(ZoomShape::shown({0, 0.45, 1, 0.1}), kUnitRect);
}

TEST(ShownRect, SquaresInsideTheFrameAreShownExactlyAsStored)
{
    const Rect click{0.2308823529411764, 0.2158823529411764, 1 / 1.7, 1 / 1.7};
    EXPECT_EQ(ZoomShape::shown(click), click);
    EXPECT_EQ(ZoomShape::shown(kUnitRect), kUnitRect);
}

TEST(ShownRect, RectanglesWithoutExtentShowTheWholeFrame)
{
    EXPECT_EQ(ZoomShape::shown({0.3, 0.3, 0, 0}), kUnitRect);
    EXPECT_EQ(ZoomShape::shown({0.3, 0.3, kNaN, kNaN}), kUnitRect);
    expectRect(ZoomShape::shown({0.5, 0.25, 0, 0.5}), {0.25, 0.25, 0.5, 0.5});
}

TEST(ShownRect, LevelIsOneOverTheShownSide)
{
    EXPECT_DOUBLE_EQ(ZoomShape::shownLevel({0.1, 0.4, 0.8, 0.05}), 1.25);
    EXPECT_DOUBLE_EQ(ZoomShape::shownLevel({0.25, 0.25, 0.5, 0.5}), 2);
    EXPECT_DOUBLE_EQ(ZoomShape::shownLevel({0, 0, 0, 0}), 1);
}

TEST(HeldSide, KeepsTheLevelWithinOnePointTwoAndFour)
{
    EXPECT_DOUBLE_EQ(ZoomShape::heldSide(0.5), 0.5);
    EXPECT_DOUBLE_EQ(ZoomShape::heldSide(0.1), 0.25);
    EXPECT_DOUBLE_EQ(ZoomShape::heldSide(0.9), 1 / 1.2);
    EXPECT_DOUBLE_EQ(ZoomShape::heldSide(0), 0.25);
    EXPECT_DOUBLE_EQ(ZoomShape::heldSide(kNaN), 0.25);
}

TEST(ZoomMotionShape, AStripIsHeldAndEasedAsItsShownRectangle)
{
    const ZoomRegion strip{Uuid::random(), 2, 5, {0.1, 0.4, 0.8, 0.05}, EasingCurve::linear};
    const Rect shown{0.1, 0.025, 0.8, 0.8};
    expectRect(ZoomCompositor::rect(3, {strip}), shown);
    // Halfway in (linear): halfway between the full frame and the shown rectangle.
    expectRect(ZoomCompositor::rect(1.7, {strip}), {0.05, 0.0125, 0.9, 0.9});
    for (double t = 1.3; t < 5.7; t += 0.01) {
        Rect r = ZoomCompositor::rect(t, {strip});
        EXPECT_NEAR(r.width, r.height, 1e-12) << "stretched at " << t;
    }
}
