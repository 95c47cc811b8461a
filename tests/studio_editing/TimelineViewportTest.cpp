// The timeline's zoom, scroll and follow rules, its ruler at every scale, which filmstrip
// pictures and waveform bars the visible span needs, and the keyboard map's landing points.

#include <gtest/gtest.h>

#include <set>

#include "studio/timeline/ReversePlay.h"
#include "studio/timeline/TimelineKeys.h"
#include "studio/timeline/TimelineViewport.h"

namespace tarnix {
namespace {

namespace TR = TimelineRules;

// Ten minutes across 1000 points at 30 frames a second.
TimelineViewport tenMinutes()
{
    TimelineViewport v;
    v.setFrameRate(30);
    v.setWidth(1000);
    v.setDuration(600);
    return v;
}

TEST(TimelineViewport, ZoomRunsFromTheWholeRecordingToTenFramesAndKeepsTheAnchoredTime)
{
    TimelineViewport v = tenMinutes();
    EXPECT_TRUE(v.isFit());
    EXPECT_DOUBLE_EQ(v.pxPerSecond(), 1000.0 / 600);
    EXPECT_EQ(v.visibleSpan(), (SecondsRange{0, 600}));

    // Zooming about a point keeps the time under it, step after step.
    double anchorX = 730;
    double anchored = v.timeAt(anchorX);
    for (int i = 0; i < 12; ++i) {
        v.zoomAbout(anchorX, TimelineViewport::kZoomStep);
        EXPECT_NEAR(v.timeAt(anchorX), anchored, 1e-9) << "step " << i;
    }
    EXPECT_FALSE(v.isFit());

    // As far in as ten frames across the view, never further.
    v.zoomAbout(500, 1e6);
    EXPECT_NEAR(v.visibleSpan().upper - v.visibleSpan().lower, 10.0 / 30, 1e-9);
    // And out no further than the whole recording.
    v.zoomAbout(500, 1e-6);
    EXPECT_TRUE(v.isFit());
    EXPECT_EQ(v.visibleSpan(), (SecondsRange{0, 600}));

    // Near the recording's ends the view stops at the end rather than showing time past it.
    v.setPxPerSecondAbout(0, 100);
    v.scrollTo(v.maxScrollX());
    v.zoomAbout(0, 0.5);
    EXPECT_NEAR(v.visibleSpan().upper, 600, 1e-9);
    EXPECT_NEAR(v.pxPerSecond(), 50, 1e-9);

    // A recording shorter than ten frames just fits.
    TimelineViewport tiny;
    tiny.setWidth(800);
    tiny.setDuration(0.1);
    tiny.zoomAbout(400, 4);
    EXPECT_TRUE(tiny.isFit());
}

TEST(TimelineViewport, ScrollingStaysInsideTheRecordingAndAResizeKeepsTheScale)
{
    TimelineViewport v = tenMinutes();
    v.scrollBy(500);
    EXPECT_EQ(v.scrollX(), 0) << "nothing to scroll at the whole recording";

    v.setPxPerSecondAbout(0, 10); // 6000 points of content
    EXPECT_DOUBLE_EQ(v.contentWidth(), 6000);
    v.scrollBy(2500);
    EXPECT_DOUBLE_EQ(v.scrollX(), 2500);
    EXPECT_NEAR(v.visibleSpan().lower, 250, 1e-9);
    EXPECT_NEAR(v.viewX(300), 500, 1e-9);
    EXPECT_NEAR(v.contentX(500), 3000, 1e-9);
    v.scrollBy(1e9);
    EXPECT_DOUBLE_EQ(v.scrollX(), 5000);
    v.scrollTo(-40);
    EXPECT_DOUBLE_EQ(v.scrollX(), 0);

    // Wider: the same scale, more of it shown; narrower than the fit allows: the fit.
    v.setWidth(2000);
    EXPECT_DOUBLE_EQ(v.pxPerSecond(), 10);
    v.setWidth(100000);
    EXPECT_TRUE(v.isFit());
    v.fit();
    EXPECT_EQ(v.scrollX(), 0);
}

TEST(TimelineViewport, PlayingFollowsThePlayheadPageByPageUntilTheUserScrollsAway)
{
    TimelineViewport v = tenMinutes();
    v.setPxPerSecondAbout(0, 100); // 10 s a page
    for (double t = 0; t < 9.9; t += 0.5) {
        v.followPlayhead(t);
        EXPECT_EQ(v.startTime(), 0) << "no scrolling within the page";
    }
    v.followPlayhead(10.02);
    EXPECT_NEAR(v.startTime(), 10.02, 1e-9) << "the next page starts at the playhead";
    v.followPlayhead(14);
    EXPECT_NEAR(v.startTime(), 10.02, 1e-9);

    // The user scrolls the playhead out of sight: the view stays where they put it.
    v.scrollTo(100 * 200);
    EXPECT_FALSE(v.isFollowing());
    v.followPlayhead(25);
    EXPECT_NEAR(v.startTime(), 200, 1e-9);
    // Until the playhead walks into sight again.
    v.followPlayhead(200.5);
    EXPECT_TRUE(v.isFollowing());
    v.followPlayhead(211);
    EXPECT_NEAR(v.startTime(), 211, 1e-9);
    // Scrolling with the playhead still in sight keeps following.
    v.scrollBy(-300);
    EXPECT_TRUE(v.isFollowing());

    // The last page ends at the recording's end and stays there.
    v.followPlayhead(595);
    EXPECT_NEAR(v.visibleSpan().upper, 600, 1e-9);
    v.followPlayhead(600);
    EXPECT_NEAR(v.visibleSpan().upper, 600, 1e-9);
}

TEST(TimelineViewport, DragsScrollOnlyNearTheEdgesFasterTheDeeper)
{
    TimelineViewport v = tenMinutes();
    EXPECT_EQ(v.edgeScrollStep(500), 0);
    EXPECT_EQ(v.edgeScrollStep(TimelineViewport::kEdgeZone + 1), 0);
    EXPECT_LT(v.edgeScrollStep(10), 0);
    EXPECT_GT(v.edgeScrollStep(990), 0);
    EXPECT_LT(v.edgeScrollStep(5), v.edgeScrollStep(20));
    EXPECT_EQ(v.edgeScrollStep(-400), -TimelineViewport::kMaxEdgeScroll);
    EXPECT_EQ(v.edgeScrollStep(1400), TimelineViewport::kMaxEdgeScroll);
}

TEST(TimelineRuler, StepsFollowTheScaleFromFramesToMinutes)
{
    TimelineViewport v = tenMinutes();
    // Whole ten minutes on 1000 points: a minute is 100 points.
    EXPECT_EQ(TR::rulerStep(v.pxPerSecond()), 60);
    // Half an hour on 1000 points: two-minute steps.
    EXPECT_EQ(TR::rulerStep(1000.0 / 1800), 120);
    // Ten frames across: tenths.
    v.zoomAbout(0, 1e6);
    EXPECT_EQ(TR::rulerStep(v.pxPerSecond()), 0.1);

    // Only the visible span's ticks, on whole multiples of the step even far into the recording.
    v.fit();
    v.setPxPerSecondAbout(0, 100);
    v.scrollTo(100 * 512.3);
    auto ticks = TR::rulerTicks(v.visibleSpan(), 600, v.pxPerSecond());
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(TR::rulerStep(100), 1);
    EXPECT_EQ(ticks.front(), 512);
    EXPECT_EQ(ticks.back(), 522);
    EXPECT_EQ(TR::rulerTimeText(ticks.back()), "8:42.0");
    EXPECT_TRUE(TR::rulerTicks(v.visibleSpan(), 0, 0).empty());
}

TEST(TimelineFilmstrip, AsksOnlyForTheVisiblePicturesFromTheNearestKeyFrame)
{
    TimelineViewport v = tenMinutes();
    std::vector<double> keyFrames;
    for (double t = 0; t <= 600; t += 2) // a key frame every two seconds
        keyFrames.push_back(t);

    // The whole recording: as many pictures as fit, from key frames spread over it.
    auto whole = TR::filmstripSlots(v, 80, keyFrames);
    ASSERT_EQ(whole.size(), 13u);
    EXPECT_EQ(whole.front().frameTime, 24);
    EXPECT_EQ(whole.back().contentX, 960);

    // Zoomed to 50 s on the screen around 300 s: only pictures of that span.
    v.setPxPerSecondAbout(0, 20);
    v.scrollTo(20 * 300);
    auto pictures = TR::filmstripSlots(v, 80, keyFrames);
    ASSERT_EQ(pictures.size(), 13u) << "the partly shown pictures at both ends included";
    for (const auto& picture : pictures) {
        EXPECT_GE(picture.contentX + 80, v.scrollX());
        EXPECT_LT(picture.contentX, v.scrollX() + v.width());
        EXPECT_GE(picture.frameTime, 298);
        EXPECT_LE(picture.frameTime, 352);
        EXPECT_EQ(std::fmod(picture.frameTime, 2), 0) << "a key frame";
    }
    // Slots stay put while scrolling, so the pictures do not shimmer.
    v.scrollBy(13);
    auto scrolled = TR::filmstripSlots(v, 80, keyFrames);
    EXPECT_EQ(scrolled.front().contentX, pictures.front().contentX);

    // Zoomed right in, neighbouring pictures share a key frame: the picture is asked for once.
    v.zoomAbout(500, 1e6);
    auto close = TR::filmstripSlots(v, 80, keyFrames);
    std::set<double> distinct;
    for (const auto& slot : close)
        distinct.insert(slot.frameTime);
    EXPECT_EQ(distinct.size(), 1u);

    // Without key frames, a slot's middle.
    v.fit();
    EXPECT_NEAR(TR::filmstripSlots(v, 100, {}).front().frameTime, 30, 1e-9);
    EXPECT_TRUE(TR::filmstripSlots(TimelineViewport{}, 80, keyFrames).empty());
}

TEST(TimelineWaveform, ZoomingInShowsTheFinePeaksOfTheVisibleSpan)
{
    TimelineViewport v = tenMinutes();
    // 100 peaks a second: silence with one loud tenth of a second at 123.4 s.
    std::vector<float> peaks(60000, 0.05f);
    for (int i = 12340; i < 12350; ++i)
        peaks[std::size_t(i)] = 1.0f;

    auto whole = TR::waveformBars(peaks, v, 3);
    EXPECT_EQ(whole.peaks.size(), 334u);
    EXPECT_EQ(*std::max_element(whole.peaks.begin(), whole.peaks.end()), 1.0f)
        << "a short peak survives the reduction";

    v.setPxPerSecondAbout(0, 300); // 3.3 s on the screen, a bar per 10 ms
    v.scrollTo(300 * 122);
    auto close = TR::waveformBars(peaks, v, 3);
    ASSERT_EQ(close.peaks.size(), 334u);
    long loud = std::count(close.peaks.begin(), close.peaks.end(), 1.0f);
    EXPECT_EQ(loud, 10) << "the loud tenth is ten bars, not the whole view";
    EXPECT_EQ(close.firstX, 0);
    // The bar at 123.4 s stands where the timeline draws that time.
    auto first = std::find(close.peaks.begin(), close.peaks.end(), 1.0f) - close.peaks.begin();
    EXPECT_NEAR(close.firstX + close.pitch * double(first), v.viewX(123.4), 0.5);

    EXPECT_TRUE(TR::waveformBars({}, v, 3).peaks.empty());
}

TEST(TimelineKeyMap, KeysAndWhereTheirStepsLand)
{
    using C = TimelineCommand;
    EXPECT_EQ(TimelineKeys::commandFor(Qt::Key_Left, Qt::NoModifier), C::frameBack);
    EXPECT_EQ(TimelineKeys::commandFor(Qt::Key_Right, Qt::ShiftModifier), C::secondForward);
    EXPECT_EQ(TimelineKeys::commandFor(Qt::Key_Plus, Qt::ShiftModifier), C::zoomIn);
    EXPECT_EQ(TimelineKeys::commandFor(Qt::Key_Equal, Qt::NoModifier), C::zoomIn);
    EXPECT_EQ(TimelineKeys::commandFor(Qt::Key_Minus, Qt::KeypadModifier), C::zoomOut);
    EXPECT_EQ(TimelineKeys::commandFor(Qt::Key_Z, Qt::ShiftModifier), C::zoomToFit);
    EXPECT_EQ(TimelineKeys::commandFor(Qt::Key_Backtab, Qt::ShiftModifier), C::previousClip);
    EXPECT_FALSE(TimelineKeys::commandFor(Qt::Key_Z, Qt::ControlModifier)) << "undo is not ours";
    EXPECT_FALSE(TimelineKeys::commandFor(Qt::Key_Left, Qt::ControlModifier));
    EXPECT_FALSE(TimelineKeys::commandFor(Qt::Key_Minus, Qt::ControlModifier));

    StudioEditState state;
    ZoomRegion zoom;
    zoom.start = 10;
    zoom.end = 12;
    RedactRegion blur;
    blur.start = 11;
    blur.end = 20;
    CutRegion cut;
    cut.start = 30;
    cut.end = 35;
    state.zoomRegions = {zoom};
    state.redactRegions = {blur};
    state.cutRegions = {cut};
    const double frame = 1.0 / 30;
    auto after = [&](C command, double t) { return *TimelineKeys::playheadAfter(command, t, frame, 60, state); };

    // Frame steps land on whole frames.
    EXPECT_NEAR(after(C::frameForward, 1.0), 31 * frame, 1e-9);
    EXPECT_NEAR(after(C::frameForward, 1.01), 31 * frame, 1e-9);
    EXPECT_NEAR(after(C::frameBack, 1.0), 29 * frame, 1e-9);
    EXPECT_NEAR(after(C::frameBack, 1.01), 30 * frame, 1e-9);
    EXPECT_EQ(after(C::frameBack, 0), 0);
    EXPECT_EQ(after(C::secondForward, 59.5), 60);
    EXPECT_EQ(after(C::secondBack, 0.4), 0);
    EXPECT_EQ(after(C::toEnd, 3), 60);
    EXPECT_EQ(after(C::toStart, 3), 0);
    // Region edges across every track; at an edge the next one.
    EXPECT_EQ(after(C::nextEdge, 0), 10);
    EXPECT_EQ(after(C::nextEdge, 10), 11);
    EXPECT_EQ(after(C::nextEdge, 20), 30);
    EXPECT_EQ(after(C::nextEdge, 35), 60);
    EXPECT_EQ(after(C::previousEdge, 30), 20);
    EXPECT_EQ(after(C::previousEdge, 10), 0);
    EXPECT_FALSE(TimelineKeys::playheadAfter(C::nextClip, 3, frame, 60, state));

    // Tab walks the clips in time order, wrapping; without a selection it starts at the playhead.
    using Track = TimelineModel::Track;
    auto next = [&](std::optional<TimelineKeys::ClipRef> from, double t, bool forward = true) {
        return TimelineKeys::adjacentClip(state, from, t, forward);
    };
    TimelineKeys::ClipRef zoomClip{Track::zoom, zoom.id}, blurClip{Track::redact, blur.id},
        cutClip{Track::cut, cut.id};
    EXPECT_EQ(next(std::nullopt, 0), zoomClip);
    EXPECT_EQ(next(std::nullopt, 10.5), blurClip);
    EXPECT_EQ(next(zoomClip, 0), blurClip);
    EXPECT_EQ(next(cutClip, 0), zoomClip);
    EXPECT_EQ(next(zoomClip, 0, false), cutClip);
    EXPECT_EQ(next(std::nullopt, 40, false), cutClip);
    EXPECT_FALSE(TimelineKeys::adjacentClip(StudioEditState{}, std::nullopt, 0, true));

    // Speed segments take their place among the others, before a zoom starting with them (the
    // speed track is above it), and their ends are edges too.
    SpeedRegion speed{Uuid::random(), 10, 14, 4};
    state.speedRegions = {speed};
    TimelineKeys::ClipRef speedClip{Track::speed, speed.id};
    EXPECT_EQ(next(std::nullopt, 0), speedClip);
    EXPECT_EQ(next(speedClip, 0), zoomClip);
    EXPECT_EQ(next(cutClip, 0), speedClip);
    EXPECT_EQ(after(C::nextEdge, 12), 14);
}

} // namespace
} // namespace tarnix

namespace tarnix {

TEST(ReversePlayTest, JPlaysBackwardsOnTheClockFasterEachPressAndStopsAtTheStart)
{
    ReversePlay reverse;
    EXPECT_FALSE(reverse.timeAt(0, {}));
    reverse.press(100, 10);
    EXPECT_DOUBLE_EQ(*reverse.timeAt(100.5, {}), 9.5) << "1×";
    reverse.press(101, 9);
    reverse.press(101, 9);
    EXPECT_EQ(reverse.speed(), 4);
    reverse.press(101, 9);
    EXPECT_EQ(reverse.speed(), ReversePlay::kMaxSpeed) << "no faster than that";
    EXPECT_DOUBLE_EQ(*reverse.timeAt(102, {}), 5);
    EXPECT_DOUBLE_EQ(*reverse.timeAt(104, {}), 0) << "the start, shown once";
    EXPECT_FALSE(reverse.isRunning());
    EXPECT_FALSE(reverse.timeAt(105, {}));
}

TEST(ReversePlayTest, CutTimeIsSkippedGoingBackwards)
{
    CutRegion middle;
    middle.start = 4;
    middle.end = 6;
    CutRegion touching; // a cut right before it: both are skipped in one go
    touching.start = 3;
    touching.end = 4;
    CutRegion opening;
    opening.start = 0;
    opening.end = 1;
    const KeptTime kept({middle, touching, opening}, 10);
    ReversePlay reverse;
    reverse.press(0, 7);
    EXPECT_DOUBLE_EQ(*reverse.timeAt(0.5, kept), 6.5);
    EXPECT_DOUBLE_EQ(*reverse.timeAt(1.5, kept), 2.5) << "past the cuts, on the clock";
    EXPECT_DOUBLE_EQ(*reverse.timeAt(2.5, kept), 1.5);
    EXPECT_DOUBLE_EQ(*reverse.timeAt(3.5, kept), 1) << "the first kept frame ends it";
    EXPECT_FALSE(reverse.isRunning());
}

TEST(ReversePlayTest, ASpedUpSpanGoesByAtItsSpeedAndCutsStaySkipped)
{
    SpeedRegion fast;
    fast.start = 2;
    fast.end = 6;
    fast.speed = 4;
    CutRegion cut;
    cut.start = 7;
    cut.end = 8;
    const KeptTime kept({cut}, {fast}, 10);
    ReversePlay reverse;
    reverse.press(0, 9); // movie time 2 + 1 + 1 + 1 = 5
    EXPECT_DOUBLE_EQ(*reverse.timeAt(1.5, kept), 6.5) << "9 -> 8, over the cut, 7 -> 6.5";
    EXPECT_DOUBLE_EQ(*reverse.timeAt(2.5, kept), 4) << "half a second of the 4× span is 2 s of recording";
    EXPECT_DOUBLE_EQ(*reverse.timeAt(3, kept), 2) << "its start";
    EXPECT_DOUBLE_EQ(*reverse.timeAt(3.5, kept), 1.5) << "and 1× again before it";
    reverse.press(3.5, 1.5); // J again: 2×
    EXPECT_DOUBLE_EQ(*reverse.timeAt(3.75, kept), 1);
}

} // namespace tarnix
