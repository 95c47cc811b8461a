#include <gtest/gtest.h>

#include "RectExpectations.h"
#include "zoom/ZoomPanEngine.h"

using namespace tarnix;
using test::expectRect;
using ZoomPanEngine::Parameters;

namespace {

constexpr double kTolerance = 1e-9;

// A 1000 x 500 capture frame at the origin; normalised points map back to screen points with y up.
RecordingTimeline timeline()
{
    RecordingTimeline t;
    t.captureFrame = {0, 0, 1000, 500};
    return t;
}

Point screenPoint(double nx, double ny)
{
    return {nx * 1000, (1 - ny) * 500};
}

void addClick(RecordingTimeline& t, double time, double nx, double ny,
              ClickKind kind = ClickKind::leftDown)
{
    t.clickEvents.push_back({Uuid::random(), time, screenPoint(nx, ny), kind});
}

void addFocus(RecordingTimeline& t, double time, Rect screenRect)
{
    t.focusedElementSamples.push_back({Uuid::random(), time, screenRect});
}

} // namespace

TEST(ClickRegions, WorkedExampleFormsTwoClusters)
{
    auto t = timeline();
    addClick(t, 1.0, 0.5, 0.5);
    addClick(t, 1.0, 0.5, 0.5, ClickKind::leftUp);
    addClick(t, 1.8, 0.55, 0.52);
    addClick(t, 5.0, 0.1, 0.1);
    auto regions = ZoomPanEngine::makeClickBasedZoomRegions(t);
    ASSERT_EQ(regions.size(), 2u);
    double s = 1 / 1.7;
    EXPECT_NEAR(regions[0].start, 0.65, kTolerance);
    EXPECT_NEAR(regions[0].end, 2.9, kTolerance);
    expectRect(regions[0].rect, {0.525 - s / 2, 0.51 - s / 2, s, s});
    EXPECT_NEAR(regions[1].start, 4.65, kTolerance);
    EXPECT_NEAR(regions[1].end, 6.1, kTolerance);
    expectRect(regions[1].rect, {0, 0, s, s});
    EXPECT_EQ(regions[0].easing, EasingCurve::easeInOut);
    EXPECT_NE(regions[0].id, regions[1].id);
}

TEST(ClickRegions, MergeLimitsAreInclusive)
{
    Parameters p;
    p.clickMergeInterval = 1.0; // exactly representable limits, so "equal" is really equal
    p.clickMergeDistance = 0.125;
    auto t = timeline();
    addClick(t, 1.0, 0.5, 0.5);
    addClick(t, 2.0, 0.5, 0.625); // 1.0 s and 0.125 apart: both limits met exactly
    EXPECT_EQ(ZoomPanEngine::makeClickBasedZoomRegions(t, p).size(), 1u);

    auto later = timeline();
    addClick(later, 1.0, 0.5, 0.5);
    addClick(later, 2.0 + 1e-9, 0.5, 0.5);
    EXPECT_EQ(ZoomPanEngine::makeClickBasedZoomRegions(later, p).size(), 2u);
}

TEST(ClickRegions, DefaultLimitsInTimeAndDistance)
{
    auto merges = [](double dt, double dx) {
        auto t = timeline();
        addClick(t, 1.0, 0.4, 0.5);
        addClick(t, 1.0 + dt, 0.4 + dx, 0.5);
        return ZoomPanEngine::makeClickBasedZoomRegions(t).size() == 1;
    };
    EXPECT_TRUE(merges(1.0, 0));
    EXPECT_FALSE(merges(1.3, 0));
    EXPECT_TRUE(merges(0.1, 0.1));
    EXPECT_FALSE(merges(0.1, 0.13));
}

TEST(ClickRegions, ClustersDriftFromTheMostRecentClick)
{
    auto t = timeline();
    addClick(t, 1.0, 0.3, 0.5);
    addClick(t, 2.0, 0.4, 0.5);
    addClick(t, 3.0, 0.5, 0.5); // 0.2 from the first click, 0.1 from the last
    auto regions = ZoomPanEngine::makeClickBasedZoomRegions(t);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_NEAR(regions[0].end, 4.1, kTolerance);
    EXPECT_NEAR(regions[0].rect.midX(), 0.4, kTolerance);
}

TEST(ClickRegions, OnlyButtonDownEventsCountAndTheyAreSortedStably)
{
    auto ups = timeline();
    addClick(ups, 1, 0.5, 0.5, ClickKind::leftUp);
    addClick(ups, 2, 0.5, 0.5, ClickKind::rightUp);
    EXPECT_TRUE(ZoomPanEngine::makeClickBasedZoomRegions(ups).empty());

    auto t = timeline();
    addClick(t, 5.0, 0.9, 0.9, ClickKind::rightDown);
    addClick(t, 1.0, 0.1, 0.1);
    auto regions = ZoomPanEngine::makeClickBasedZoomRegions(t);
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_LT(regions[0].start, regions[1].start);
    double s = 1 / 1.7;
    expectRect(regions[1].rect, {1 - s, 1 - s, s, s}); // flush with the bottom-right corner
}

TEST(ClickRegions, StartsClampAtZeroAndEndsMayPassTheRecording)
{
    auto t = timeline();
    addClick(t, 0.1, 0.5, 0.5);
    auto regions = ZoomPanEngine::makeClickBasedZoomRegions(t);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].start, 0);
    EXPECT_NEAR(regions[0].end, 1.2, kTolerance);
}

TEST(ElementRegions, WorkedExamplePadsFitsAndSquaresTheElement)
{
    auto t = timeline();
    addFocus(t, 2.0, {100, 300, 200, 50});
    addFocus(t, 3.0, {0, 0, 1000, 500}); // fills the frame: no region of its own
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions);
    ASSERT_EQ(regions->size(), 1u);
    EXPECT_NEAR((*regions)[0].start, 1.65, kTolerance);
    EXPECT_NEAR((*regions)[0].end, 3.0, kTolerance);
    // Padded and fitted (0.03, 0.265, 0.34, 0.17); frame-shaped about its centre (0.2, 0.35).
    expectRect((*regions)[0].rect, {0.03, 0.18, 0.34, 0.34});
    EXPECT_EQ((*regions)[0].easing, EasingCurve::easeInOut);
}

namespace {

// A 1280 x 720 screen; elements are placed by their top-left corner in pixels, as a user sees them.
RecordingTimeline screen720()
{
    RecordingTimeline t;
    t.captureFrame = {0, 0, 1280, 720};
    return t;
}

void addElement(RecordingTimeline& t, double time, double left, double top, double w, double h)
{
    t.focusedElementSamples.push_back({Uuid::random(), time, {left, 720 - top - h, w, h}});
}

Rect onlyRegion(const RecordingTimeline& t)
{
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    if (!regions || regions->size() != 1) {
        ADD_FAILURE() << "expected one region";
        return {};
    }
    return (*regions)[0].rect;
}

} // namespace

TEST(ElementRegions, ATextFieldIsShownFrameShapedNotAsAStrip)
{
    // A 600 x 24 field pads to 0.797 x 0.057 of the frame; shown as it is, that strip would be
    // magnified 1.25x across and 17.5x down.
    auto centred = screen720();
    addElement(centred, 1.0, 340, 348, 600, 24);
    const double side = 600.0 / 1280 * 1.7; // 0.796875, level 1.255
    expectRect(onlyRegion(centred), {0.5 - side / 2, 0.5 - side / 2, side, side});

    // Near the top edge the square is shifted down into the frame, not cut.
    auto high = screen720();
    addElement(high, 1.0, 340, 100, 600, 24);
    expectRect(onlyRegion(high), {0.5 - side / 2, 0, side, side});
}

TEST(ElementRegions, LevelsAreHeldBetweenOnePointTwoAndFour)
{
    auto small = screen720();
    addElement(small, 1.0, 628, 348, 24, 24); // a small button
    expectRect(onlyRegion(small), {0.5 - 0.125, 0.5 - 0.125, 0.25, 0.25}); // 4x, centred on it

    auto large = screen720();
    addElement(large, 1.0, 140, 110, 1000, 500); // 0.78 x 0.69: not large enough to skip
    const double side = 1 / 1.2;
    Rect r = onlyRegion(large);
    expectRect(r, {0.5 - side / 2, 0.5 - side / 2, side, side});
}

TEST(ElementRegions, EveryRegionIsFrameShapedInsideTheFrameWithinTheLevels)
{
    auto t = screen720();
    double time = 0;
    for (double w : {1.0, 24.0, 200.0, 600.0, 1200.0})
        for (double h : {1.0, 24.0, 300.0, 700.0})
            for (double left : {-50.0, 0.0, 500.0, 1270.0})
                for (double top : {-30.0, 0.0, 300.0, 715.0})
                    addElement(t, time += 1, left, top, w, h);
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions);
    EXPECT_GT(regions->size(), 300u);
    for (const ZoomRegion& region : *regions) {
        const Rect& r = region.rect;
        EXPECT_EQ(r.width, r.height);
        EXPECT_GE(r.width, 0.25 - kTolerance);
        EXPECT_LE(r.width, 1 / 1.2 + kTolerance);
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.maxX(), 1 + kTolerance);
        EXPECT_LE(r.maxY(), 1 + kTolerance);
    }
}

TEST(ElementRegions, SingleSampleHoldsAfterItsTime)
{
    auto t = timeline();
    addFocus(t, 0.2, {400, 200, 100, 40});
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions && regions->size() == 1);
    EXPECT_EQ((*regions)[0].start, 0);
    EXPECT_NEAR((*regions)[0].end, 1.3, kTolerance);
}

TEST(ElementRegions, ShortDwellIsSkippedButStillEndsThePrevious)
{
    auto t = timeline();
    addFocus(t, 1.0, {100, 100, 100, 40});
    addFocus(t, 1.3, {300, 100, 100, 40}); // 0.3 s later: the first is skipped
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions);
    ASSERT_EQ(regions->size(), 1u);
    EXPECT_NEAR((*regions)[0].start, 0.95, kTolerance);
    EXPECT_NEAR((*regions)[0].end, 2.4, kTolerance);

    // The successor's time ends a region even when the successor itself gets none.
    auto u = timeline();
    addFocus(u, 1.0, {100, 100, 100, 40});
    addFocus(u, 2.0, {0, 0, 1000, 500});
    auto only = ZoomPanEngine::makeElementBasedZoomRegions(u);
    ASSERT_TRUE(only && only->size() == 1);
    EXPECT_NEAR((*only)[0].end, 2.0, kTolerance);
}

TEST(ElementRegions, WideButShortElementsPassAndAreHeldAtTheShallowestLevel)
{
    auto t = timeline();
    addFocus(t, 1.0, {50, 200, 900, 250}); // 0.9 wide, 0.5 high
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions && regions->size() == 1);
    // Padded and fitted (0, 0, 1, 0.85), centre (0.5, 0.425); side held at 1 / 1.2.
    const double side = 1 / 1.2;
    expectRect((*regions)[0].rect, {0.5 - side / 2, 0.425 - side / 2, side, side});
}

TEST(ElementRegions, SortIsStableAndEqualTimesKeepOrder)
{
    auto t = timeline();
    addFocus(t, 3.0, {600, 100, 100, 40});
    addFocus(t, 1.0, {100, 100, 100, 40});
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions && regions->size() == 2);
    EXPECT_NEAR((*regions)[0].end, 3.0, kTolerance);
    EXPECT_NEAR((*regions)[1].rect.midX(), 0.65, kTolerance);
}

TEST(ElementRegions, DegenerateFrameUsesTheCentralRectangle)
{
    auto t = timeline();
    t.captureFrame = {0, 0, 0, 0};
    addFocus(t, 1.0, {100, 100, 100, 40});
    auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions && regions->size() == 1);
    const double side = 1 / 1.2; // the padded centre rectangle is 0.85 on both sides
    expectRect((*regions)[0].rect, {0.5 - side / 2, 0.5 - side / 2, side, side});
}

TEST(AutomaticRegions, ElementsFirstClicksOnlyWhenNoElementQualifies)
{
    auto t = timeline();
    addClick(t, 1.0, 0.5, 0.5);
    addFocus(t, 2.0, {100, 300, 200, 50});
    auto regions = ZoomPanEngine::makeAutomaticZoomRegions(t);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_NEAR(regions[0].start, 1.65, kTolerance); // the element's region, not the click's

    t.focusedElementSamples = {{Uuid::random(), 2.0, {0, 0, 1000, 500}}}; // too large
    EXPECT_FALSE(ZoomPanEngine::makeElementBasedZoomRegions(t));
    regions = ZoomPanEngine::makeAutomaticZoomRegions(t);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_NEAR(regions[0].start, 0.65, kTolerance);
}

TEST(DefaultZoomRect, CentresOnTheClickNearestTheMiddle)
{
    auto t = timeline();
    EXPECT_EQ(ZoomPanEngine::defaultZoomRect({1, 3}, t, 2.0), (Rect{0.25, 0.25, 0.5, 0.5}));

    addClick(t, 1.0, 0.3, 0.4);
    addClick(t, 3.0, 0.7, 0.6);
    addClick(t, 2.0, 0.5, 0.5, ClickKind::leftUp); // not a click for this purpose
    // Both down-clicks are 1 s from the middle: the earlier one in the list wins.
    expectRect(ZoomPanEngine::defaultZoomRect({1, 3}, t, 2.0), {0.05, 0.15, 0.5, 0.5});
    // A click outside the range may still be the nearest.
    expectRect(ZoomPanEngine::defaultZoomRect({10, 12}, t, 2.0), {0.45, 0.35, 0.5, 0.5});
}

TEST(FollowedWindow, RegionsUseTheWindowsFrameAtTheTimeOfEachSample)
{
    // The 1000 × 500 window moves right by 1000 at 3 s and is halved in width at 6 s (its
    // picture then fills the middle half of the movie).
    auto t = timeline();
    t.captureFrameSamples = {{Uuid::random(), 3, {1000, 0, 1000, 500}}, {Uuid::random(), 6, {1000, 0, 500, 500}}};
    const Rect element{100, 300, 200, 50}; // (0.1, 0.3, 0.2, 0.1) of the window before the move
    auto moved = [](Rect r, double dx) { return Rect{r.x + dx, r.y, r.width, r.height}; };
    addFocus(t, 1, element);
    addFocus(t, 4, moved(element, 1000));
    addFocus(t, 7, {1050, 300, 100, 50}); // (0.1, 0.3, 0.2, 0.1) of the narrowed window
    const auto regions = ZoomPanEngine::makeElementBasedZoomRegions(t);
    ASSERT_TRUE(regions);
    ASSERT_EQ(regions->size(), 3u);
    // The padded element (0.03, 0.265, 0.34 × 0.17) made frame-shaped about its centre.
    expectRect((*regions)[0].rect, {0.03, 0.18, 0.34, 0.34});
    expectRect((*regions)[1].rect, (*regions)[0].rect);
    // In the narrowed window's picture (x from 0.25, widths halved) the padded element is
    // 0.17 × 0.17 about (0.35, 0.35): held at the 4× limit, a side of 0.25.
    expectRect((*regions)[2].rect, {0.225, 0.225, 0.25, 0.25});

    // Clicks and the default rectangle take the same frame.
    t.focusedElementSamples.clear();
    t.clickEvents = {{Uuid::random(), 4, {1500, 250}, ClickKind::leftDown}};
    const auto clicks = ZoomPanEngine::makeClickBasedZoomRegions(t);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_NEAR(clicks[0].rect.midX(), 0.5, kTolerance);
    const Rect manual = ZoomPanEngine::defaultZoomRect({4, 4}, t, 1.7);
    EXPECT_NEAR(manual.midX(), 0.5, kTolerance);
    EXPECT_NEAR(manual.midY(), 0.5, kTolerance);
}
