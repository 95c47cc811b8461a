#include <gtest/gtest.h>

#include "RectExpectations.h"
#include "zoom/ZoomCompositor.h"

using namespace tarnix;
using test::expectRect;

namespace {

ZoomRegion region(double start, double end, Rect r, EasingCurve easing = EasingCurve::easeInOut)
{
    return {Uuid::random(), start, end, r, easing};
}

const Rect kFull{0, 0, 1, 1};

} // namespace

TEST(ZoomMotion, NoRegionsShowTheFullFrame)
{
    for (double t : {-1.0, 0.0, 3.5, 1e6})
        EXPECT_EQ(ZoomCompositor::rect(t, {}), kFull);
}

TEST(ZoomMotion, OneRegionEasesInHoldsAndEasesOut)
{
    std::vector<ZoomRegion> regions{region(2, 5, {0.2, 0.2, 0.5, 0.5})};
    expectRect(ZoomCompositor::rect(1.0, regions), kFull);
    expectRect(ZoomCompositor::rect(1.4, regions), kFull); // exactly at start - a: p = 0
    expectRect(ZoomCompositor::rect(1.55, regions), {0.025, 0.025, 0.9375, 0.9375});
    expectRect(ZoomCompositor::rect(1.7, regions), {0.1, 0.1, 0.75, 0.75});
    expectRect(ZoomCompositor::rect(2.0, regions), {0.2, 0.2, 0.5, 0.5});
    expectRect(ZoomCompositor::rect(3.5, regions), {0.2, 0.2, 0.5, 0.5});
    expectRect(ZoomCompositor::rect(5.0, regions), {0.2, 0.2, 0.5, 0.5});
    expectRect(ZoomCompositor::rect(5.3, regions), {0.1, 0.1, 0.75, 0.75});
    expectRect(ZoomCompositor::rect(5.6, regions), kFull); // exactly at end + b: p = 1
    expectRect(ZoomCompositor::rect(9.0, regions), kFull);
}

TEST(ZoomMotion, AGapIsSharedBetweenNeighbours)
{
    auto a = region(2, 5, {0.2, 0.2, 0.5, 0.5}, EasingCurve::linear);
    auto b = region(5.4, 8, {0.4, 0.4, 0.5, 0.5}, EasingCurve::linear);
    for (const auto& regions : {std::vector{a, b}, std::vector{b, a}}) {
        expectRect(ZoomCompositor::rect(5.1, regions), {0.1, 0.1, 0.75, 0.75}); // A half out
        expectRect(ZoomCompositor::rect(5.2, regions), kFull);
        expectRect(ZoomCompositor::rect(5.3, regions), {0.2, 0.2, 0.75, 0.75}); // B half in
        expectRect(ZoomCompositor::rect(6.0, regions), b.rect);
    }
}

TEST(ZoomMotion, OverlappingRegionsJumpWithoutTransition)
{
    auto a = region(2, 5, {0.2, 0.2, 0.5, 0.5});
    auto b = region(4.5, 8, {0.4, 0.1, 0.3, 0.3});
    std::vector<ZoomRegion> regions{b, a};
    expectRect(ZoomCompositor::rect(4.8, regions), a.rect);
    expectRect(ZoomCompositor::rect(5.0, regions), a.rect);
    expectRect(ZoomCompositor::rect(5.0001, regions), b.rect);
    expectRect(ZoomCompositor::rect(8.3, regions), {0.2, 0.05, 0.65, 0.65});
}

TEST(ZoomMotion, TouchingRegionsHandOverAtTheBoundary)
{
    auto a = region(1, 2, {0.1, 0.1, 0.5, 0.5});
    auto b = region(2, 3, {0.3, 0.3, 0.5, 0.5});
    std::vector<ZoomRegion> regions{a, b};
    expectRect(ZoomCompositor::rect(2.0, regions), a.rect);
    expectRect(ZoomCompositor::rect(2.000001, regions), b.rect);
}

TEST(ZoomMotion, EqualStartsKeepListOrder)
{
    auto first = region(2, 4, {0.1, 0.1, 0.5, 0.5});
    auto second = region(2, 6, {0.3, 0.3, 0.5, 0.5});
    expectRect(ZoomCompositor::rect(3, {first, second}), first.rect);
    expectRect(ZoomCompositor::rect(3, {second, first}), second.rect);
}

TEST(ZoomMotion, LongGapsHoldTheFullFrameBetweenRamps)
{
    auto a = region(2, 3, {0.2, 0.2, 0.5, 0.5});
    auto b = region(10, 11, {0.2, 0.2, 0.5, 0.5});
    std::vector<ZoomRegion> regions{a, b};
    expectRect(ZoomCompositor::rect(3.6, regions), kFull);
    expectRect(ZoomCompositor::rect(6.0, regions), kFull);
    expectRect(ZoomCompositor::rect(9.4, regions), kFull);
    EXPECT_LT(ZoomCompositor::rect(9.5, regions).width, 1);
}
