#include <gtest/gtest.h>

#include <mutex>
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
    // Warps send no raw motion; relative moves do, like a real mouse. Nudge until the monitor
    // reports, then warp back.
    ASSERT_TRUE(test::processEventsUntil(5, [&] {
        test::shell("xdotool mousemove_relative 1 0");
        return test::processEventsUntil(0.2, [&] { return tracker.sampleCount() > 0; });
    }));
    test::shell("xdotool mousemove 500 400");
    const int nudges = tracker.sampleCount();
    for (int i = 0; i < 5; ++i)
        test::shell("xdotool mousemove_relative 10 0");
    ASSERT_TRUE(test::processEventsUntil(5, [&] { return tracker.sampleCount() >= nudges + 5; }));
    const int samplesBeforeClicks = tracker.sampleCount();
    test::shell("xdotool click 1 click 3");
    // Motion caused by the clicks would come before them on the same event stream.
    ASSERT_TRUE(test::processEventsUntil(5, [&] { return tracker.clickCount() >= 4; }));
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

namespace {

// The field's frame in screen space (bottom-left origin).
Rect screenFrame(const QRect& field, double primaryHeight)
{
    return {double(field.x()), primaryHeight - field.y() - field.height(), double(field.width()),
            double(field.height())};
}

bool hasSampleAt(const FocusedElementTracker& tracker, const Rect& frame)
{
    for (const auto& sample : tracker.samples())
        if (FocusedElementTracker::roughlyEqual(sample.rect, frame))
            return true;
    return false;
}

void activate(const std::string& id)
{
    test::shell("xdotool windowactivate --sync " + id + " 2>/dev/null; xdotool windowfocus --sync " + id);
}

// Accessibility switched on before any test window starts, so that windows export their widgets.
bool accessibilityReady()
{
    if (!test::requireDisplay() || !test::requireAccessibilityBus())
        return false;
    test::ensureApplication();
    atspi::isTrusted(true);
    EXPECT_TRUE(atspi::isTrusted(false));
    return atspi::isTrusted(false);
}

// A window with one text field, made active, and a window without fields beside it to bring to
// the front later.
struct TwoWindows {
    test::TestWindow behind{"Tarnix window going behind", "e0e0e0", QRect(100, 100, 400, 300), 1};
    test::TestWindow front{"Tarnix window in front", "a0a0e0", QRect(700, 100, 300, 200), 0};
    std::string behindID, frontID;

    bool start()
    {
        if (!behind.isReady() || !front.isReady())
            return false;
        behindID = behind.xdotoolID();
        frontID = front.xdotoolID();
        activate(behindID);
        return true;
    }
};

} // namespace

TEST(FocusedElementTracker, tabbingThroughTextFieldsYieldsTheirFrames)
{
    if (!accessibilityReady())
        return;
    test::TestWindow window("Tarnix focus window", "e0e0e0", QRect(150, 120, 400, 300), 3);
    ASSERT_TRUE(window.isReady());
    ASSERT_EQ(window.fields().size(), 3u);
    const std::string id = window.xdotoolID();
    ASSERT_FALSE(id.empty());
    activate(id);

    const double height = primaryHeight();
    FocusedElementTracker tracker;
    tracker.start();
    ASSERT_TRUE(tracker.isRunning());
    const Rect first = screenFrame(window.fields()[0], height);
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return hasSampleAt(tracker, first); }));
    for (std::size_t field = 1; field < 3; ++field) {
        test::shell("xdotool key --window " + id + " Tab");
        const Rect next = screenFrame(window.fields()[field], height);
        EXPECT_TRUE(test::processEventsUntil(10, [&] { return hasSampleAt(tracker, next); }))
            << "field " << field + 1 << " was never sampled";
    }
    tracker.stop();

    std::set<int> seen;
    for (const auto& sample : tracker.samples()) {
        int match = -1;
        for (std::size_t i = 0; i < window.fields().size(); ++i)
            if (FocusedElementTracker::roughlyEqual(sample.rect, screenFrame(window.fields()[i], height)))
                match = int(i);
        EXPECT_GE(match, 0) << "sample (" << sample.rect.x << ", " << sample.rect.y << ", "
                            << sample.rect.width << ", " << sample.rect.height << ") is no field";
        seen.insert(match);
        EXPECT_GE(sample.timestamp, 0);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST(FocusedElementTracker, anElementIsSampledOnlyWhenFrontmostAndWithAFrameOfItsOwn)
{
    using atspi::FrontmostTest;
    const Rect field{10, 20, 200, 24};
    const auto facts = [&](std::optional<std::int64_t> process, std::optional<std::int64_t> frontmost, bool active,
                           std::optional<Rect> extents) {
        return atspi::FocusedElementFacts{process, frontmost, active, extents};
    };
    // On X11 the owner of the active window decides; the AT-SPI window state does not.
    EXPECT_EQ(atspi::sampledFrame(FrontmostTest::x11ActiveWindow, facts(42, 42, false, field)), field);
    EXPECT_FALSE(atspi::sampledFrame(FrontmostTest::x11ActiveWindow, facts(42, 43, true, field)));
    EXPECT_FALSE(atspi::sampledFrame(FrontmostTest::x11ActiveWindow, facts(42, std::nullopt, true, field)))
        << "no frontmost application";
    EXPECT_FALSE(atspi::sampledFrame(FrontmostTest::x11ActiveWindow, facts(std::nullopt, 42, true, field)));
    // Without an X server, the element's top-level window being ACTIVE decides.
    EXPECT_EQ(atspi::sampledFrame(FrontmostTest::activeTopLevel, facts(std::nullopt, std::nullopt, true, field)),
              field);
    EXPECT_FALSE(atspi::sampledFrame(FrontmostTest::activeTopLevel, facts(42, 42, false, field)));
    // A toolkit that gives no extents, or empty ones, gives no sample: nothing is made up.
    for (const auto test : {FrontmostTest::x11ActiveWindow, FrontmostTest::activeTopLevel}) {
        EXPECT_FALSE(atspi::sampledFrame(test, facts(42, 42, true, std::nullopt)));
        EXPECT_FALSE(atspi::sampledFrame(test, facts(42, 42, true, Rect{10, 20, 0, 0})));
        EXPECT_FALSE(atspi::sampledFrame(test, facts(42, 42, true, Rect{10, 20, 200, 0})));
        EXPECT_FALSE(atspi::sampledFrame(test, facts(42, 42, true, Rect{10, 20, -5, 24})));
    }
}

TEST(FocusedElementTracker, withTheActiveWindowStateTheElementOfTheWindowInFrontIsFollowed)
{
    if (!accessibilityReady())
        return;
    TwoWindows windows;
    ASSERT_TRUE(windows.start());
    const test::TestWindow& behind = windows.behind;
    const std::string &behindID = windows.behindID, &frontID = windows.frontID;

    std::mutex lock;
    std::optional<Rect> last;
    int polls = 0;
    atspi::FocusMonitor monitor(0.05, atspi::FrontmostTest::activeTopLevel, [&](std::optional<Rect> frame, double) {
        const std::lock_guard<std::mutex> guard(lock);
        last = frame;
        ++polls;
    });
    const QRect field = behind.fields()[0];
    const Rect expected{double(field.x()), double(field.y()), double(field.width()), double(field.height())};
    const auto lastIs = [&](std::optional<Rect> wanted) {
        const std::lock_guard<std::mutex> guard(lock);
        return wanted ? last && FocusedElementTracker::roughlyEqual(*last, *wanted) : !last && polls > 0;
    };
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return lastIs(expected); }));

    test::shell("xdotool mousemove 850 200");
    activate(frontID);
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return lastIs(std::nullopt); }))
        << "an element of a window behind the active one was still sampled";
    activate(behindID);
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return lastIs(expected); }));
}

TEST(FocusedElementTracker, onlyTheFrontmostApplicationsElementIsSampled)
{
    if (!accessibilityReady())
        return;
    TwoWindows windows;
    ASSERT_TRUE(windows.start());
    const test::TestWindow& behind = windows.behind;
    const std::string &behindID = windows.behindID, &frontID = windows.frontID;

    const double height = primaryHeight();
    FocusedElementTracker tracker;
    tracker.start();
    ASSERT_TRUE(tracker.isRunning());
    const Rect field = screenFrame(behind.fields()[0], height);
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return hasSampleAt(tracker, field); }));

    // Another application comes to the front; the field, focused in its own window, moves. The
    // pointer rests on the front window, so that a focus-follows-mouse window manager keeps it.
    test::shell("xdotool mousemove 850 200");
    activate(frontID);
    test::shell("xdotool windowmove --sync " + behindID + " 160 180");
    const Rect moved{field.x + 60, field.y - 80, field.width, field.height};
    // Three polls after the move prove the tracker has looked.
    const int polls = tracker.pollCount();
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return tracker.pollCount() >= polls + 3; }));
    EXPECT_FALSE(hasSampleAt(tracker, moved)) << "an element behind the frontmost window was sampled";

    // Back in front, the same field is followed again where it now is.
    activate(behindID);
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return hasSampleAt(tracker, moved); }));
    tracker.stop();
}
