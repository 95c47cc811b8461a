#include <gtest/gtest.h>

#include <set>

#include "capture/CaptureSourceProvider.h"
#include "capture/CursorTracker.h"
#include "capture/FocusedElementTracker.h"
#include "capture/atspi/AtspiFocusMonitor.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

double primaryHeight()
{
    CaptureSourceProvider provider;
    provider.refresh();
    return screenSpaceOf(provider.displays()).primary.height();
}

template <typename T>
bool increasing(const std::vector<T>& records)
{
    for (std::size_t i = 1; i < records.size(); ++i)
        if (records[i].timestamp < records[i - 1].timestamp)
            return false;
    return true;
}

} // namespace

TEST(CursorTracker, movementsAndClicksLandAtBottomLeftCoordinatesInTimeOrder)
{
    if (!test::requireDisplay())
        return;
    test::ensureApplication();
    const double height = primaryHeight();
    test::shell("xdotool mousemove 500 400");
    CursorTracker tracker;
    tracker.start();
    ASSERT_FALSE(tracker.monitorError()) << *tracker.monitorError();
    ASSERT_TRUE(tracker.startTime());
    test::processEvents(0.2);
    // Warps send no raw motion; relative moves do, like a real mouse.
    for (int i = 0; i < 5; ++i)
        test::shell("xdotool mousemove_relative 10 0");
    ASSERT_TRUE(test::processEventsUntil(5, [&] { return tracker.sampleCount() >= 5; }));
    const int samplesBeforeClicks = tracker.sampleCount();
    test::shell("xdotool click 1 click 3");
    ASSERT_TRUE(test::processEventsUntil(5, [&] { return tracker.clickCount() >= 4; }));
    test::processEvents(0.2);
    tracker.stop();

    EXPECT_FALSE(tracker.startTime());
    EXPECT_EQ(tracker.sampleCount(), samplesBeforeClicks) << "a click without movement adds no sample";
    const auto& last = tracker.samples().back();
    EXPECT_EQ(last.point, (Point{550, height - 400}));
    EXPECT_TRUE(increasing(tracker.samples()));
    EXPECT_GE(tracker.samples().front().timestamp, 0);
    ASSERT_EQ(tracker.clicks().size(), 4u);
    const ClickKind kinds[] = {ClickKind::leftDown, ClickKind::leftUp, ClickKind::rightDown, ClickKind::rightUp};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tracker.clicks()[i].kind, kinds[i]);
        EXPECT_EQ(tracker.clicks()[i].point, (Point{550, height - 400}));
    }
    EXPECT_TRUE(increasing(tracker.clicks()));
    EXPECT_GE(tracker.clicks().front().timestamp, last.timestamp);

    // The records outlive stop(); the next start empties them.
    tracker.start();
    EXPECT_EQ(tracker.sampleCount(), 0);
    EXPECT_EQ(tracker.clickCount(), 0);
    tracker.start();
    tracker.stop();
}

TEST(FocusedElementTracker, onlyFramesThatMoveByAPointOrMoreAreRecorded)
{
    test::ensureApplication();
    FocusedElementTracker tracker;
    tracker.handlePoll(Rect{40, 993, 300, 24}, 1.0);
    tracker.handlePoll(Rect{40.5, 993.5, 300, 24}, 1.15);
    tracker.handlePoll(Rect{40.5, 993.5, 301, 24}, 1.3);
    tracker.handlePoll(Rect{40.5, 993.5, 0, 24}, 1.45);
    tracker.handlePoll(std::nullopt, 1.6);
    tracker.handlePoll(Rect{40.5, 993.5, 301.5, 24}, 1.75);
    ASSERT_EQ(tracker.samples().size(), 2u);
    EXPECT_EQ(tracker.samples()[1].rect, (Rect{40.5, 993.5, 301, 24}));
    EXPECT_TRUE(FocusedElementTracker::roughlyEqual({0, 0, 10, 10}, {0.99, -0.99, 10.5, 9.01}));
    EXPECT_FALSE(FocusedElementTracker::roughlyEqual({0, 0, 10, 10}, {0, 0, 11, 10}));
}

TEST(FocusedElementTracker, withoutTrustItAsksAndRecordsNothing)
{
    test::ensureApplication();
    FocusedElementTracker tracker;
    std::vector<bool> prompts;
    tracker.setTrustCheck([&](bool prompt) {
        prompts.push_back(prompt);
        return false;
    });
    tracker.handlePoll(Rect{1, 2, 3, 4}, 0);
    tracker.start();
    tracker.start();
    EXPECT_EQ(prompts, (std::vector<bool>{true, true}));
    EXPECT_FALSE(tracker.startTime());
    EXPECT_EQ(tracker.samples().size(), 1u) << "an untrusted start keeps the old samples";
}

TEST(FocusedElementTracker, tabbingThroughTextFieldsYieldsTheirFrames)
{
    if (!test::requireDisplay() || !test::requireAccessibilityBus())
        return;
    test::ensureApplication();
    atspi::isTrusted(true); // switch accessibility on before the window starts
    ASSERT_TRUE(atspi::isTrusted(false));
    test::TestWindow window("Tarnix focus window", "e0e0e0", QRect(150, 120, 400, 300), 3);
    ASSERT_TRUE(window.isReady());
    ASSERT_EQ(window.fields().size(), 3u);
    const std::string id = window.xdotoolID();
    ASSERT_FALSE(id.empty());
    test::shell("xdotool windowactivate --sync " + id + " 2>/dev/null; xdotool windowfocus --sync " + id);
    test::processEvents(0.5);

    const double height = primaryHeight();
    FocusedElementTracker tracker;
    tracker.start();
    ASSERT_TRUE(tracker.isRunning());
    test::processEvents(0.6);
    test::shell("xdotool key --window " + id + " Tab");
    test::processEvents(0.6);
    test::shell("xdotool key --window " + id + " Tab");
    test::processEvents(0.6);
    tracker.stop();

    ASSERT_GE(tracker.samples().size(), 2u);
    std::set<int> seen;
    for (const auto& sample : tracker.samples()) {
        int match = -1;
        for (std::size_t i = 0; i < window.fields().size(); ++i) {
            const QRect f = window.fields()[i];
            if (FocusedElementTracker::roughlyEqual(
                    sample.rect, Rect{double(f.x()), height - f.y() - f.height(), double(f.width()), double(f.height())}))
                match = int(i);
        }
        EXPECT_GE(match, 0) << "sample (" << sample.rect.x << ", " << sample.rect.y << ", "
                            << sample.rect.width << ", " << sample.rect.height << ") is no field";
        seen.insert(match);
        EXPECT_GE(sample.timestamp, 0);
    }
    EXPECT_GE(seen.size(), 2u);
}
