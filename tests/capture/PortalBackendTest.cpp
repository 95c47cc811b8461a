// The parts of the portal backend that need no desktop: which backend a session gets, what the
// source lists offer, how the cast's cursor becomes samples, and how the screen recorder keeps
// its frame grid and its promises with a frame source that answers late and changes rarely. The
// portal itself, end to end, is tested in tests/wayland.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "capture/CaptureBackend.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/CursorTracker.h"
#include "capture/ScreenRecorder.h"
#include "capture/portal/InputDeviceClicks.h"
#include "capture/portal/PortalCapture.h"
#include "capture/portal/ScreenCastPortal.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"
#include "support/StillFrameSource.h"

using namespace tarnix;

TEST(CaptureBackendChoice, followsTheSessionTypeElseAWaylandDisplayWithoutAnXServer)
{
    int xProbes = 0;
    auto x11 = [&](bool usable) {
        return [&xProbes, usable] {
            ++xProbes;
            return usable;
        };
    };
    struct Case {
        std::optional<std::string> type;
        bool wayland;
        bool xUsable;
        CaptureBackend expected;
    };
    const Case cases[] = {
        {"wayland", true, true, CaptureBackend::portal}, // XWayland does not make it X11
        {"x11", true, false, CaptureBackend::x11},
        {"tty", true, false, CaptureBackend::portal},    // a compositor started from a console
        {std::nullopt, true, true, CaptureBackend::x11}, // a nested compositor on an X server
        {std::nullopt, false, false, CaptureBackend::x11},
        {std::nullopt, true, false, CaptureBackend::portal},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chooseCaptureBackend({c.type, c.wayland, x11(c.xUsable)}), c.expected)
            << c.type.value_or("(unset)") << " wayland=" << c.wayland << " x=" << c.xUsable;
    xProbes = 0;
    chooseCaptureBackend({"wayland", true, x11(true)});
    chooseCaptureBackend({std::nullopt, false, x11(true)});
    EXPECT_EQ(xProbes, 0) << "the X server is tried only when the session leaves it open";
}

TEST(PortalSources, offerTheDesktopsPickerPerSharedKindAndResolveToPortalSources)
{
    const SourceLists monitorsOnly = portalSourceLists(false);
    ASSERT_EQ(monitorsOnly.displays.size(), 1u);
    EXPECT_EQ(monitorsOnly.displays[0].name, "Choose a display…");
    EXPECT_TRUE(monitorsOnly.windows.empty());
    EXPECT_TRUE(monitorsOnly.applications.empty()) << "the portal has no application type";
    const auto display = resolveSource(monitorsOnly, displayIdentifier(monitorsOnly.displays[0]));
    ASSERT_TRUE(display);
    EXPECT_EQ(display->identifier().rfind("display-", 0), 0u);
    EXPECT_EQ(display->backend(), CaptureBackend::portal);
    EXPECT_FALSE(resolveSource(monitorsOnly, "window-0"));

    const SourceLists withWindows = portalSourceLists(true);
    ASSERT_EQ(withWindows.windows.size(), 1u);
    EXPECT_EQ(withWindows.windows[0].title, "Choose a window…");
    const auto window = resolveSource(withWindows, windowIdentifier(withWindows.windows[0]));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->kind(), CaptureSource::Kind::window);
    EXPECT_EQ(window->backend(), CaptureBackend::portal);

    // The same identifier in the X server's lists stays an X11 source.
    SourceLists x11Lists;
    x11Lists.displays.push_back({0, "screen", QRect(0, 0, 640, 480), true});
    EXPECT_EQ(resolveSource(x11Lists, "display-0")->backend(), CaptureBackend::x11);
}

TEST(PortalSources, theCursorModeIsMetadataWhereOfferedElseEmbedded)
{
    EXPECT_EQ(portal::preferredCursorMode(portal::hiddenCursor | portal::embeddedCursor | portal::metadataCursor),
              portal::metadataCursor);
    EXPECT_EQ(portal::preferredCursorMode(portal::hiddenCursor | portal::embeddedCursor), portal::embeddedCursor);
    EXPECT_EQ(portal::preferredCursorMode(0), portal::hiddenCursor);
}

TEST(PortalCursor, castPositionsBecomeBottomLeftSamplesOncePerChangeWhileTheTrackerRuns)
{
    test::ensureApplication();
    // A cast of a 1920 × 1080 monitor; its metadata repeats the position with every picture.
    portal::CastCursor cursor(QRect(0, 0, 1920, 1080));
    const std::vector<std::pair<QPoint, double>> recorded = {
        {{100, 100}, 0.10}, {{100, 100}, 0.12}, {{400, 1000}, 0.20}, {{400, 1000}, 0.22}, {{1919, 0}, 0.30}};

    CursorTracker tracker;
    tracker.setPointerSourceFactory(pointerSourceFactory(CaptureBackend::portal));
    tracker.start();
    ASSERT_FALSE(tracker.monitorError());
    const double start = CaptureClock::now();
    // The cast's thread publishes; the tracker collects on this one.
    std::thread cast([&] {
        for (const auto& [position, time] : recorded)
            if (auto point = cursor.moveTo(position))
                portal::CursorFeed::instance().publish(PointerEvent::moved, *point, start + time);
    });
    cast.join();
    ASSERT_TRUE(test::processEventsUntil(5, [&] { return tracker.sampleCount() >= 3; }));
    ASSERT_EQ(tracker.sampleCount(), 3);
    const auto& samples = tracker.samples();
    EXPECT_EQ(samples[0].point, (Point{100, 980}));
    EXPECT_EQ(samples[1].point, (Point{400, 80}));
    EXPECT_EQ(samples[2].point, (Point{1919, 1080}));
    EXPECT_NEAR(samples[0].timestamp, 0.10, 0.05);
    EXPECT_NEAR(samples[2].timestamp - samples[1].timestamp, 0.10, 1e-6);
    EXPECT_EQ(tracker.clickCount(), 0);

    tracker.stop();
    portal::CursorFeed::instance().publish(PointerEvent::moved, {1, 1}, 0.5);
    test::processEvents(0.05);
    EXPECT_EQ(tracker.sampleCount(), 3) << "nothing arrives after the stop";
}

namespace {

class LateSourceRecorder : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ScreenRecorder::Options options;
        options.outputDirectory = folder.path();
        options.encoders = {"libx264"};
        options.preset = "ultrafast";
        options.maximumFrameRate = 30;
        recorder.setOptions(options);
        recorder.setFrameSourceOpener(desktop.opener());
    }

    CaptureSource chosen() const { return *resolveSource(portalSourceLists(false), "display-0"); }

    test::TemporaryFolder folder;
    test::FakePortalDesktop desktop;
    ScreenRecorder recorder;
};

} // namespace

TEST_F(LateSourceRecorder, aStillPictureIsRepeatedOnTheFrameGridAtTheSharedSize)
{
    int startsDone = 0;
    recorder.start(chosen(), {}, false, [&] { ++startsDone; });
    // A second press while the desktop has not answered yet changes nothing.
    recorder.start(chosen(), {}, false, [&] { ++startsDone; });
    EXPECT_EQ(startsDone, 1);
    EXPECT_FALSE(recorder.isRecording());
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return startsDone == 2; }));
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessageString().toStdString();
    ASSERT_TRUE(recorder.recordedSource());
    EXPECT_EQ(recorder.recordedSource()->pixelSize(), QSize(320, 240));
    EXPECT_EQ(recorder.notices(), std::vector<std::string>{CaptureMessages::kNoCursorShared});

    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.appendedFrameCount() >= 45; }));
    bool stopped = false;
    recorder.stop([&] { stopped = true; });
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return stopped; }));
    std::vector<double> times;
    QSize size;
    test::forEachVideoFrame(*recorder.lastOutputURL(), [&](const QImage& frame, double time) {
        times.push_back(time);
        size = frame.size();
    });
    ASSERT_GE(times.size(), 45u);
    EXPECT_EQ(size, QSize(320, 240));
    // The typical spacing: a loaded machine may make the recorder skip a slot now and then.
    std::vector<double> spacings;
    for (std::size_t i = 1; i < times.size(); ++i)
        spacings.push_back(times[i] - times[i - 1]);
    std::nth_element(spacings.begin(), spacings.begin() + spacings.size() / 2, spacings.end());
    EXPECT_NEAR(spacings[spacings.size() / 2], 1.0 / 30, 0.2 / 30);
}

TEST_F(LateSourceRecorder, aRefusedRequestFailsTheStartAndAnEndedShareStopsTheCaptureItself)
{
    desktop.refuses = true;
    bool done = false;
    recorder.start(chosen(), {}, false, [&] { done = true; });
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return done; }));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.errorMessage(),
              std::optional<std::string>("Failed to start recording: the screen-sharing request was cancelled"));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "no file for a recording that never started";

    desktop.refuses = false;
    done = false;
    bool ended = false;
    QObject::connect(&recorder, &ScreenRecorder::stoppedByItself, [&] { ended = true; });
    recorder.start(chosen(), {}, false, [&] { done = true; });
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return done && recorder.appendedFrameCount() > 3; }));
    *desktop.gone = true; // the user stopped sharing from the desktop's own indicator
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return ended; }));
    EXPECT_FALSE(recorder.isRecording());
    // The user's own stop, made on the desktop: said, but not an error.
    EXPECT_FALSE(recorder.errorMessage()) << *recorder.errorMessage();
    EXPECT_EQ(recorder.notices().back(), CaptureMessages::kDesktopEndedSharing);
    EXPECT_GT(test::forEachVideoFrame(*recorder.lastOutputURL(), [](const QImage&, double) {}), 3)
        << "what was recorded before stays playable";
}

TEST(PortalClicks, buttonsBecomeClicksAtTheLastCursorPositionAndNothingElseDoes)
{
    EXPECT_EQ(portal::clickOf(0x110, true), PointerEvent::leftDown);
    EXPECT_EQ(portal::clickOf(0x110, false), PointerEvent::leftUp);
    EXPECT_EQ(portal::clickOf(0x111, true), PointerEvent::rightDown);
    EXPECT_EQ(portal::clickOf(0x111, false), PointerEvent::rightUp);
    EXPECT_FALSE(portal::clickOf(0x112, true)) << "the middle button";
    EXPECT_FALSE(portal::clickOf(30, true)) << "a key code (KEY_A)";

    struct Event {
        PointerEvent event;
        Point point;
        bool operator==(const Event&) const = default;
    };
    std::vector<Event> received;
    PointerSource::Handler clicks;
    portal::PortalPointerSource source(
        [&](PointerEvent event, Point point, double) { received.push_back({event, point}); },
        [&](PointerSource::Handler handler) -> std::unique_ptr<PointerSource> {
            clicks = std::move(handler);
            return std::make_unique<PointerSource>();
        });
    ASSERT_TRUE(clicks);
    EXPECT_FALSE(source.limitation());

    // A recorded stream: a click before the cast has said where the pointer is, then moves and
    // clicks as they come.
    auto& cast = portal::CursorFeed::instance();
    clicks(PointerEvent::leftDown, {}, 1.0);
    cast.publish(PointerEvent::moved, {100, 200}, 1.1);
    clicks(PointerEvent::leftDown, {}, 1.2);
    clicks(PointerEvent::leftUp, {}, 1.3);
    cast.publish(PointerEvent::moved, {300, 50}, 1.4);
    clicks(PointerEvent::rightDown, {}, 1.5);
    const std::vector<Event> expected = {{PointerEvent::moved, {100, 200}},
                                         {PointerEvent::leftDown, {100, 200}},
                                         {PointerEvent::leftUp, {100, 200}},
                                         {PointerEvent::moved, {300, 50}},
                                         {PointerEvent::rightDown, {300, 50}}};
    EXPECT_EQ(received, expected);
}

TEST(PortalClicks, withoutAReadablePointerDeviceTheSourceSaysThereAreNoClicks)
{
    if (std::filesystem::exists("/dev/input"))
        GTEST_SKIP() << "this machine has input devices; the test needs none";
    EXPECT_THROW(portal::InputDeviceClicks([](PointerEvent, Point, double) {}), CaptureError);
    auto source = pointerSourceFactory(CaptureBackend::portal)([](PointerEvent, Point, double) {});
    EXPECT_EQ(source->limitation(), std::optional<std::string>(CaptureMessages::kNoClicksShared));
}
