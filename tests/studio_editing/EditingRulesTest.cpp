// The widget-free rules of the timeline, clips, panels and handles, with the figures of the
// editing behaviour the views promise.

#include <gtest/gtest.h>

#include <QColor>

#include "studio/handles/HandleRules.h"
#include "document/CutRegions.h"
#include "studio/NewRegions.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/timeline/TimelineRules.h"

namespace tarnix {
namespace {

namespace TR = TimelineRules;
using Kind = TR::CreationOutcome::Kind;

ZoomRegion zoom(double start, double end, Rect rect = {0.25, 0.25, 0.5, 0.5})
{
    ZoomRegion r;
    r.start = start;
    r.end = end;
    r.rect = rect;
    return r;
}

TEST(TimelineRuler, StepLabelsAndRounding)
{
    // 60 s on 600 points: 5 s would be 50 points apart, so the step is 10 s.
    double pps = TR::pxPerSecond(600, 60);
    EXPECT_EQ(TR::rulerStep(pps), 10);
    auto ticks = TR::rulerTicks(60, pps);
    ASSERT_EQ(ticks.size(), 7u);
    EXPECT_EQ(TR::rulerTimeText(ticks.front()), "0:00.0");
    EXPECT_EQ(TR::rulerTimeText(ticks.back()), "1:00.0");
    // 1 s on 1000 points: 0.1 s steps, and the accumulated last tick still reads 0:01.0.
    auto fine = TR::rulerTicks(1, TR::pxPerSecond(1000, 1));
    EXPECT_EQ(TR::rulerStep(TR::pxPerSecond(1000, 1)), 0.1);
    EXPECT_EQ(TR::rulerTimeText(fine.back()), "0:01.0");
    EXPECT_EQ(TR::rulerTimeText(1.94), "0:01.9");
    EXPECT_EQ(TR::rulerTimeText(1.96), "0:02.0");
    EXPECT_EQ(TR::rulerTimeText(3725.25), "62:05.3");
    // Nothing to draw without a duration; a scale too small for any step uses a minute.
    EXPECT_TRUE(TR::rulerTicks(0, 0).empty());
    EXPECT_EQ(TR::rulerStep(0.5), 300); // 2 min would be 60 points
}

TEST(TimelineRegions, NeighbourBoundsAndFreeGaps)
{
    std::vector<ZoomRegion> regions = {zoom(9, 12), zoom(1, 5), zoom(5.5, 6)};
    EXPECT_EQ(TR::neighborBounds({regions[0]}, regions[0].id, 30), (SecondsRange{0, 30}));
    EXPECT_EQ(TR::neighborBounds(regions, regions[0].id, 30), (SecondsRange{6, 30}));
    EXPECT_EQ(TR::neighborBounds(regions, regions[2].id, 30), (SecondsRange{5, 9}));
    EXPECT_EQ(TR::neighborBounds(regions, Uuid::random(), 30), (SecondsRange{0, 30}));
    EXPECT_EQ(TR::freeGap(regions, 7, 30), (SecondsRange{6, 9}));
    EXPECT_EQ(TR::freeGap(regions, 13, 30), (SecondsRange{12, 30}));
    // Inside a region: the gap after it, also through touching regions.
    EXPECT_EQ(TR::freeGap(regions, 10, 30), (SecondsRange{12, 30}));
    EXPECT_EQ(TR::freeGap({zoom(1, 3), zoom(3, 4), zoom(8, 9)}, 2, 30), (SecondsRange{4, 8}));
}

TEST(TimelineCreation, ZoomDragsFitTheGapAndHaveAMinimumLength)
{
    const double pps = 10; // 600 points for 60 s
    // A click (under 4 points) seeks, clamped to the recording.
    auto click = TR::zoomCreation(100, 102, pps, {}, 60);
    EXPECT_EQ(click.kind, Kind::click);
    EXPECT_DOUBLE_EQ(click.seekTime, 10.2);
    // 10 s to 10.1 s on an empty track becomes 10 ... 10.3.
    auto shortDrag = TR::zoomCreation(1000, 1010, 100, {}, 60); // 10 s to 10.1 s at 100 pt/s
    ASSERT_EQ(shortDrag.kind, Kind::create);
    EXPECT_DOUBLE_EQ(shortDrag.range.lower, 10);
    EXPECT_NEAR(shortDrag.range.upper, 10.3, 1e-9);
    // The same with a region starting at 10.25 s: only 0.25 s of room, nothing is created.
    EXPECT_EQ(TR::zoomCreation(1000, 1010, 100, {zoom(10.25, 12)}, 60).kind, Kind::nothing);
    // From inside a region: starts at its end; across a neighbour: stops at it.
    auto inside = TR::zoomCreation(40, 120, pps, {zoom(2, 6), zoom(10, 14)}, 60);
    ASSERT_EQ(inside.kind, Kind::create);
    EXPECT_EQ(inside.range, (SecondsRange{6, 10}));
    // Past the end: ends at the duration; backwards drags are the same span.
    EXPECT_EQ(TR::zoomCreation(700, 500, pps, {}, 60).range, (SecondsRange{50, 60}));
    EXPECT_EQ(TR::zoomCreation(100, 200, 0, {}, 0).kind, Kind::nothing);
}

TEST(TimelineCreation, BlurDragsMayOverlapAndStopAtTheEnd)
{
    auto over = TR::redactCreation(100, 200, 10, 60);
    EXPECT_EQ(over.range, (SecondsRange{10, 20}));
    EXPECT_EQ(TR::redactCreation(595, 650, 10, 60).range, (SecondsRange{59.5, 60}));
    EXPECT_EQ(TR::redactCreation(-30, 20, 10, 60).range.lower, 0);
    EXPECT_EQ(TR::redactCreation(599, 650, 10, 60).kind, Kind::nothing); // 0.1 s of room
}

TEST(ClipEditing, MovesKeepTheirLengthAndTrimsKeepTheMinimum)
{
    SecondsRange allowed{5, 20};
    EXPECT_EQ(TR::movedSpan({8, 10}, -10, allowed), (SecondsRange{5, 7}));   // stops at the neighbour
    EXPECT_EQ(TR::movedSpan({8, 10}, 30, allowed), (SecondsRange{18, 20}));
    EXPECT_EQ(TR::movedSpan({0, 30}, 1, allowed), (SecondsRange{5, 20}));    // longer than its room
    using TR::ClipEdge;
    EXPECT_NEAR(TR::trimmedSpan({8, 10}, ClipEdge::leading, 5, 0.3, allowed).lower, 9.7, 1e-9);
    EXPECT_EQ(TR::trimmedSpan({8, 10}, ClipEdge::leading, -5, 0.3, allowed), (SecondsRange{5, 10}));
    EXPECT_EQ(TR::trimmedSpan({8, 10}, ClipEdge::trailing, 50, 0.3, allowed), (SecondsRange{8, 20}));
    EXPECT_NEAR(TR::trimmedSpan({8, 10}, ClipEdge::trailing, -5, 0.3, allowed).upper, 8.3, 1e-9);
    // 0.3 s at 10 points per second is drawn 4 points wide.
    EXPECT_EQ(TR::clipWidth(1, 1.3, 10), 4);
}

TEST(ClipEditing, ScrollWheelZoomIsSquareAndHeldBetweenLimits)
{
    Rect twoX{0.25, 0.25, 0.5, 0.5};
    EXPECT_NEAR(TR::zoomLevel(TR::adjustedZoomRect(twoX, 50)), 2.5, 1e-9);
    Rect r = twoX;
    for (int i = 0; i < 100; ++i)
        r = TR::adjustedZoomRect(r, 50);
    EXPECT_NEAR(r.width, 0.25, 1e-12);
    for (int i = 0; i < 100; ++i)
        r = TR::adjustedZoomRect(r, -50);
    EXPECT_NEAR(r.width, 1 / 1.2, 1e-12);
    // Near the edge the square is shifted inward; a wide rectangle becomes square.
    Rect edge = TR::adjustedZoomRect({0.7, 0.0, 0.3, 0.2}, -10);
    EXPECT_DOUBLE_EQ(edge.width, edge.height);
    EXPECT_LE(edge.x + edge.width, 1.0 + 1e-12);
    EXPECT_GE(edge.y, 0.0);
    EXPECT_EQ(TR::zoomLevel({0, 0, 0, 0}), 1);
}

TEST(TimelineCreation, NewRegionsFollowTheClicksAndStartCentred)
{
    RecordingTimeline document;
    document.captureFrame = {0, 0, 1000, 500};
    ClickEvent click;
    click.timestamp = 3;
    click.point = {800, 400}; // screen space, y up: near the top right
    document.clickEvents = {click};
    ZoomRegion region = NewRegions::zoomRegion(2, 4, document);
    EXPECT_EQ(region.start, 2);
    EXPECT_EQ(region.end, 4);
    EXPECT_EQ(region.easing, EasingCurve::easeInOut);
    EXPECT_NEAR(TR::zoomLevel(region.rect), 1.7, 1e-9);
    EXPECT_GT(region.rect.midX(), 0.5);
    EXPECT_LT(region.rect.midY(), 0.5);
    EXPECT_EQ(NewRegions::redactRegion(1, 2).rect, (Rect{0.38, 0.44, 0.24, 0.12}));
}

TEST(SidebarRules, TextsAndRegionCommands)
{
    EXPECT_EQ(SidebarRules::formatTime(59.99), "0:59");
    EXPECT_EQ(SidebarRules::formatTime(3725), "62:05");
    EXPECT_EQ(SidebarRules::formatTime(-1), "0:00");
    EXPECT_EQ(SidebarRules::formatTime(std::nan("")), "0:00");
    EXPECT_EQ(SidebarRules::spanText(2, 65), QString::fromUtf8("0:02–1:05"));
    EXPECT_EQ(SidebarRules::levelText(2), QString::fromUtf8("2.0×"));
    EXPECT_EQ(SidebarRules::zoomCountText(1), "1 zoom");
    EXPECT_EQ(SidebarRules::zoomCountText(3), "3 zooms");

    std::vector<ZoomRegion> regions = {zoom(1, 2)};
    ASSERT_TRUE(SidebarRules::updateZoomLevel(regions, 4, regions[0].id));
    EXPECT_EQ(regions[0].rect, (Rect{0.375, 0.375, 0.25, 0.25}));
    SidebarRules::updateZoomLevel(regions, 1.2, regions[0].id);
    EXPECT_NEAR(regions[0].rect.width, 0.833333, 1e-6);
    EXPECT_FALSE(SidebarRules::updateZoomLevel(regions, 2, Uuid::random()));

    // Add at the playhead: 1 s before the end gives 1 s; at the very end a zero-length region.
    auto late = SidebarRules::newRedactRegionAtPlayhead(9, 10);
    EXPECT_EQ(late.end - late.start, 1);
    auto atEnd = SidebarRules::newRedactRegionAtPlayhead(10, 10);
    EXPECT_EQ(atEnd.end, atEnd.start);
    RedactRegion blur = SidebarRules::newRedactRegionAtPlayhead(2, 10);
    SidebarRules::setStartToPlayhead(blur, 8); // after the end: 0.2 s before it
    EXPECT_NEAR(blur.start, 4.3, 1e-9);
    SidebarRules::setEndToPlayhead(blur, 1);
    EXPECT_NEAR(blur.end, 4.5, 1e-9);
    // Width 0.9 on a box centred at x 0.9 moves its origin to 0.1 so that it ends at 1.
    Rect wide = SidebarRules::resizedRedactRect({0.8, 0.4, 0.2, 0.1}, 0.9, std::nullopt);
    EXPECT_NEAR(wide.x, 0.1, 1e-12);
    EXPECT_EQ(wide.height, 0.1);
}

TEST(SidebarRules, PickedColoursBecomeRgbComponents)
{
    CodableColor fromHsv = SidebarRules::codableColor(QColor::fromHsvF(0, 1, 1, 0.5));
    EXPECT_NEAR(fromHsv.red, 1, 1e-4);
    EXPECT_NEAR(fromHsv.green, 0, 1e-4);
    EXPECT_NEAR(fromHsv.alpha, 0.5, 1e-4);
    CodableColor fromCmyk = SidebarRules::codableColor(QColor::fromCmykF(0, 0, 1, 0));
    EXPECT_NEAR(fromCmyk.red, 1, 1e-4);
    EXPECT_NEAR(fromCmyk.green, 1, 1e-4);
    EXPECT_NEAR(fromCmyk.blue, 0, 1e-4);
    EXPECT_EQ(SidebarRules::displayColor({0.2, 0.4, 0.6, 1}).name(), QColor::fromRgbF(0.2f, 0.4f, 0.6f).name());
}

TEST(SidebarRules, AnotherAspectThanTheSourceKeepsABackground)
{
    EXPECT_EQ(SidebarRules::aspectTitle(CanvasAspect::source), "Source");
    EXPECT_EQ(SidebarRules::aspectTitle(CanvasAspect::portrait4x5), "4:5");
    const QSizeF tall = SidebarRules::aspectGlyphSize(CanvasAspect::tall9x16, 16);
    EXPECT_DOUBLE_EQ(tall.height(), 16);
    EXPECT_DOUBLE_EQ(tall.width(), 9);
    EXPECT_DOUBLE_EQ(SidebarRules::aspectGlyphSize(CanvasAspect::square1x1, 16).width(), 16);

    BackgroundSettings tallCanvas = withCanvasAspect(BackgroundSettings{}, CanvasAspect::tall9x16);
    tallCanvas.gradientPresetID = "sunset";
    BackgroundSettings solid = SidebarRules::withBackgroundStyle(tallCanvas, BackgroundStyle::solid);
    EXPECT_EQ(solid.aspect, CanvasAspect::tall9x16) << "any background keeps the canvas";
    BackgroundSettings none = SidebarRules::withBackgroundStyle(tallCanvas, BackgroundStyle::none);
    EXPECT_EQ(none.style, BackgroundStyle::none);
    EXPECT_EQ(none.aspect, CanvasAspect::source) << "no background, no room around the recording";
    EXPECT_EQ(none.gradientPresetID, "sunset") << "the other choices are kept";

    CursorOverlaySettings cursor;
    EXPECT_TRUE(SidebarRules::canSmoothCursor(cursor));
    EXPECT_FALSE(SidebarRules::canSetSmoothingStrength(cursor));
    cursor.smoothsMovement = true;
    EXPECT_TRUE(SidebarRules::canSetSmoothingStrength(cursor));
    cursor.isEnabled = false;
    EXPECT_FALSE(SidebarRules::canSmoothCursor(cursor));
    EXPECT_FALSE(SidebarRules::canSetSmoothingStrength(cursor));
}

TEST(HandleRules, DragsStayInsideTheFrame)
{
    QSizeF container(500, 300);
    // A 0.22 bubble stops at 0.11 and 0.89 on either axis.
    auto far = HandleRules::draggedCameraPosition({0.5, 0.5}, {5000, -5000}, container, 0.22);
    ASSERT_TRUE(far);
    EXPECT_NEAR(far->x, 0.89, 1e-12);
    EXPECT_NEAR(far->y, 0.11, 1e-12);
    auto moved = HandleRules::draggedCameraPosition({0.5, 0.5}, {50, 30}, container, 0.22);
    EXPECT_NEAR(moved->x, 0.6, 1e-12);
    EXPECT_NEAR(moved->y, 0.6, 1e-12);
    EXPECT_FALSE(HandleRules::draggedCameraPosition({0.5, 0.5}, {50, 30}, {0, 300}, 0.22));
    // The bubble's side follows the container's width only.
    CameraOverlaySettings bubble;
    EXPECT_EQ(HandleRules::cameraFrame(bubble, container).width(), 110);

    Rect box{0.5, 0.5, 0.24, 0.12};
    EXPECT_NEAR(HandleRules::draggedRedactOrigin({0.5, 0.5}, {1000, 0}, container, box)->x, 0.76, 1e-12);
    EXPECT_EQ(HandleRules::draggedRedactOrigin({0.5, 0.5}, {-1000, -1000}, container, box)->y, 0);
    // A hair-thin box still shows an 8-point handle.
    EXPECT_EQ(HandleRules::redactFrame({0.1, 0.1, 0.001, 0.001}, container).size(), QSizeF(8, 8));
}

} // namespace
} // namespace tarnix
