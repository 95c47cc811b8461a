#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include "capture/CaptureClock.h"
#include "capture/CaptureSourceProvider.h"
#include "capture/ScreenRecorder.h"
#include "capture/x11/OwnWindowCoverPlan.h"
#include "capture/x11/X11FrameGrabber.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;
using namespace tarnix::x11;
using OwnWindowCoverPlan::StackedWindow;

namespace {

StackedWindow other(std::uint32_t id, QRect bounds, bool ready = true)
{
    return {id, bounds, false, ready};
}

StackedWindow own(std::uint32_t id, QRect bounds)
{
    return {id, bounds, true, true};
}

QRegion patchOf(const OwnWindowCoverPlan::Plan& plan, std::uint32_t window)
{
    for (const auto& patch : plan.patches)
        if (patch.window == window)
            return patch.area;
    return {};
}

const QRect kDisplay(0, 0, 1000, 800);

} // namespace

TEST(OwnWindowCoverPlan, nothingToDoWithoutAnOwnWindowInFrontOnTheDisplay)
{
    EXPECT_TRUE(OwnWindowCoverPlan::plan({}, kDisplay).isEmpty());
    EXPECT_TRUE(OwnWindowCoverPlan::plan({other(1, {0, 0, 500, 500})}, kDisplay).isEmpty());
    EXPECT_TRUE(OwnWindowCoverPlan::plan({own(2, {1200, 0, 300, 300})}, kDisplay).isEmpty())
        << "an own window on another display";
    EXPECT_TRUE(OwnWindowCoverPlan::plan({own(2, {100, 100, 200, 200}), other(1, {50, 50, 400, 400})}, kDisplay)
                    .isEmpty())
        << "an own window hidden under another one";
}

TEST(OwnWindowCoverPlan, eachPartShowsTheFrontMostOtherWindowBeneathElseTheDesktop)
{
    // Bottom to top: a window, our window over its corner, a window on top of ours.
    const QRect below(100, 100, 400, 300);
    const QRect mine(400, 300, 300, 200);
    const QRect above(600, 450, 200, 200);
    const auto plan = OwnWindowCoverPlan::plan({other(1, below), own(2, mine), other(3, above)}, kDisplay);
    const QRegion visibleMine = QRegion(mine) - above;
    EXPECT_EQ(patchOf(plan, 1), QRegion(mine & below));
    EXPECT_EQ(patchOf(plan, 3), QRegion()) << "what lies above is on screen already";
    EXPECT_EQ(plan.background, visibleMine - below);
    ASSERT_EQ(plan.patches.size(), 1u);
    EXPECT_EQ(plan.patches[0].origin, below.topLeft()) << "pixmap coordinates start at the outer corner";
}

TEST(OwnWindowCoverPlan, ownWindowsHideEachOtherButNotWhatIsBetweenThem)
{
    // Bottom to top: own 1, another window, own 3 overlapping both.
    const QRect ownLow(0, 0, 300, 300);
    const QRect middle(200, 0, 300, 300);
    const QRect ownHigh(100, 100, 300, 300);
    const auto plan = OwnWindowCoverPlan::plan({own(1, ownLow), other(2, middle), own(3, ownHigh)}, kDisplay);
    EXPECT_EQ(patchOf(plan, 2), QRegion(middle & ownHigh));
    EXPECT_EQ(plan.background, (QRegion(ownLow) + ownHigh) - middle);
    EXPECT_TRUE(patchOf(plan, 1).isEmpty() && patchOf(plan, 3).isEmpty()) << "own pixels are never copied";
}

TEST(OwnWindowCoverPlan, clipsToTheDisplayAndShowsTheDesktopWhereContentsAreNotReady)
{
    const QRect display(1000, 0, 800, 600);
    const QRect fresh(900, 100, 400, 300);
    const QRect mine(950, 50, 200, 200);
    const auto plan = OwnWindowCoverPlan::plan({other(1, fresh, false), own(2, mine)}, display);
    EXPECT_TRUE(plan.patches.empty());
    EXPECT_EQ(plan.background, QRegion(mine & display)) << "a window whose pixmap may be stale is not copied";
}

namespace {

// A plain X window of one colour, with a border of another, placed exactly where asked (the
// window manager leaves it alone) and on top; closed with the object.
class ColouredWindow {
public:
    ColouredWindow(QRect frame, std::uint32_t rgb, std::uint16_t border = 0, std::uint32_t borderRgb = 0)
        : connection_(xcb_connect(nullptr, nullptr))
    {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const std::uint32_t values[] = {rgb, borderRgb, 1};
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root,
                          static_cast<std::int16_t>(frame.x()), static_cast<std::int16_t>(frame.y()),
                          static_cast<std::uint16_t>(frame.width()), static_cast<std::uint16_t>(frame.height()),
                          border, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(connection_, window_);
        sync();
    }
    ~ColouredWindow() { xcb_disconnect(connection_); }
    xcb_connection_t* connection() const { return connection_; }
    void sync() { free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }

private:
    xcb_connection_t* connection_;
    xcb_window_t window_ = 0;
};

class OwnWindowsOnScreen : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }

    std::optional<WindowInfo> windowTitled(const std::string& title)
    {
        provider.refresh();
        for (const auto& w : provider.windows())
            if (w.title == title)
                return w;
        return std::nullopt;
    }

    CaptureSource display()
    {
        provider.refresh();
        return *provider.source(displayIdentifier(provider.displays().front()));
    }

    CaptureSourceProvider provider;
};

} // namespace

TEST_F(OwnWindowsOnScreen, aDisplayRecordingShowsWhatLiesBeneathAnOwnWindowAndNeverItsColour)
{
    if (!test::requireDisplay())
        return;
    const QRgb green = qRgb(0x20, 0xc0, 0x40), red = qRgb(0xd0, 0x20, 0x20), blue = qRgb(0x30, 0x40, 0xe0);
    const QRgb yellow = qRgb(0xe0, 0xd0, 0x20), white = qRgb(0xff, 0xff, 0xff), black = qRgb(0, 0, 0);
    // Bottom to top: a green window; a white one with a thick yellow border, which ours covers
    // entirely; ours, red; a blue one over our corner.
    test::TestWindow beneath("Tarnix window beneath", "20c040", QRect(100, 100, 400, 300), 0);
    ASSERT_TRUE(beneath.isReady());
    ColouredWindow framed(QRect(480, 380, 100, 80), 0xffffff, 8, 0xe0d020);
    test::TestWindow mine("Tarnix own window", "d02020", QRect(350, 250, 300, 250), 0);
    ASSERT_TRUE(mine.isReady());
    ColouredWindow onTop(QRect(600, 470, 100, 80), 0x3040e0);
    const auto own = windowTitled("Tarnix own window");
    ASSERT_TRUE(own);
    ASSERT_TRUE(own->frame.contains(QRect(480, 380, 116, 96))) << "the window manager moved ours";
    const CaptureSource source = display();
    const QPoint origin = source.display().frame.topLeft();

    test::TemporaryFolder folder;
    ScreenRecorder recorder;
    ScreenRecorder::Options options;
    options.outputDirectory = folder.path();
    options.encoders = {"libx264"};
    options.preset = "ultrafast";
    recorder.setOptions(options);
    recorder.start(source, {*own}, false);
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    // Fifteen frames or more from after `since` seconds (CaptureClock) on. Up to 8 frames grabbed
    // before `since` may still wait in the writer's queue then, so 15 more than those are awaited.
    auto recordFramesAfter = [&](double since) {
        ASSERT_TRUE(test::processEventsUntil(20, [&] { return CaptureClock::now() > since; }));
        const int written = recorder.appendedFrameCount();
        ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.appendedFrameCount() >= written + 8 + 15; }));
    };
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.firstFrameWallClockDate().has_value(); }));
    recordFramesAfter(CaptureClock::monotonicOf(*recorder.firstFrameWallClockDate()) + 0.5);
    // Ours moves entirely over the green window: the stack is read again within a fraction of a
    // second, and the part it now covers shows green.
    const double movedAt = CaptureClock::now();
    test::shell("xdotool windowmove --sync " + mine.xdotoolID() + " 150 150");
    recordFramesAfter(movedAt + OwnWindowEraser::kStackRefresh + 0.2);
    bool stopped = false;
    recorder.stop([&] { stopped = true; });
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return stopped; }));
    ASSERT_TRUE(recorder.firstFrameWallClockDate());
    const double moved = movedAt - CaptureClock::monotonicOf(*recorder.firstFrameWallClockDate());

    auto at = [&](const QImage& frame, QPoint root) { return frame.pixel(root - origin); };
    auto expectAt = [&](const QImage& frame, QPoint root, QRgb colour, double time, const char* what) {
        EXPECT_TRUE(test::similarColour(at(frame, root), colour, 24))
            << what << " at " << time << " s: " << std::hex << at(frame, root);
    };
    // Around both places ours has been, title bar and border included.
    const QRect watched = (own->frame | QRect(150, 150, 300, 250)).adjusted(-2, -30, 2, 2);
    int redFrames = 0, before = 0, after = 0;
    test::forEachVideoFrame(*recorder.lastOutputURL(), [&](const QImage& frame, double time) {
        bool showsRed = false;
        for (int y = watched.top(); y <= watched.bottom() && !showsRed; y += 3)
            for (int x = watched.left(); x <= watched.right() && !showsRed; x += 3)
                showsRed = test::similarColour(at(frame, {x, y}), red, 40);
        redFrames += showsRed;
        // The first moments may show the desktop while the windows beneath repaint.
        if (time > 0.5 && time < moved) {
            ++before;
            expectAt(frame, {425, 325}, green, time, "the window beneath");
            expectAt(frame, {530, 420}, white, time, "the covered window");
            for (QPoint border : {QPoint(484, 420), QPoint(591, 420), QPoint(530, 471)})
                expectAt(frame, border, yellow, time, "its border");
            expectAt(frame, {360, 450}, black, time, "the bare desktop without a wallpaper");
            expectAt(frame, {620, 490}, blue, time, "the window above ours");
        } else if (time > moved + OwnWindowEraser::kStackRefresh + 0.2) {
            ++after;
            expectAt(frame, {200, 200}, green, time, "after the move, the window beneath");
            expectAt(frame, {530, 420}, white, time, "after the move, the uncovered window");
        }
    });
    EXPECT_EQ(redFrames, 0);
    EXPECT_GT(before, 10);
    EXPECT_GT(after, 10);
}

TEST_F(OwnWindowsOnScreen, theBareDesktopShowsTheWallpaperPixmap)
{
    if (!test::requireDisplay())
        return;
    test::TestWindow mine("Tarnix own window over the desktop", "d02020", QRect(1300, 600, 300, 200), 0);
    ASSERT_TRUE(mine.isReady());
    const auto ownInfo = windowTitled("Tarnix own window over the desktop");
    ASSERT_TRUE(ownInfo);
    // What a wallpaper setter leaves: a root-sized pixmap named by a root property. Only the
    // property is set; the screen itself keeps its look for the other tests.
    ColouredWindow holder(QRect(0, 0, 1, 1), 0);
    xcb_connection_t* c = holder.connection();
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t wallpaper = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, wallpaper, screen->root, screen->width_in_pixels,
                      screen->height_in_pixels);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const std::uint32_t colour = 0x806020;
    xcb_create_gc(c, gc, wallpaper, XCB_GC_FOREGROUND, &colour);
    const xcb_rectangle_t all{0, 0, screen->width_in_pixels, screen->height_in_pixels};
    xcb_poly_fill_rectangle(c, wallpaper, gc, 1, &all);
    const char name[] = "_XROOTPMAP_ID";
    Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr));
    ASSERT_TRUE(atom);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_PIXMAP, 32, 1, &wallpaper);
    holder.sync();

    FrameGrabber grabber(display(), {*ownInfo});
    QImage frame;
    const QPoint inside = ownInfo->frame.center();
    const QRgb wallpaperColour = qRgb(0x80, 0x60, 0x20);
    // Grabs until the stack has been read again once the desktop's grace has passed.
    test::processEventsUntil(10, [&] {
        frame = grabber.grab().copy();
        return !frame.isNull() && test::similarColour(frame.pixel(inside), wallpaperColour);
    });
    xcb_delete_property(c, screen->root, atom->atom);
    holder.sync();
    ASSERT_FALSE(frame.isNull());
    EXPECT_TRUE(test::similarColour(frame.pixel(inside), wallpaperColour)) << std::hex << frame.pixel(inside);
}
