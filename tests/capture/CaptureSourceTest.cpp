#include <gtest/gtest.h>

#include "capture/CaptureSourceProvider.h"
#include "capture/OutputFiles.h"
#include "capture/x11/X11SourceLister.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

WindowInfo window(std::uint32_t id, std::string title, std::int64_t pid, bool onScreen = true)
{
    WindowInfo w;
    w.windowID = id;
    w.title = std::move(title);
    w.processID = pid;
    w.applicationID = "app" + std::to_string(pid);
    w.applicationName = "App " + std::to_string(pid);
    w.frame = QRect(100, 50, 400, 300);
    w.isOnScreen = onScreen;
    return w;
}

ShareableContent sampleContent()
{
    ShareableContent content;
    content.displays = {{7, "left", QRect(0, 0, 1512, 982), true}, {8, "right", QRect(1512, 0, 800, 600), false}};
    content.windows = {window(1, "Editor", 10), window(2, "", 10), window(3, "Hidden", 10, false),
                       window(4, "Mine", 99), window(5, "No owner", 0)};
    content.applications = {{"app10", "App 10", 10}, {"nameless", "", 11}, {"app99", "Me", 99}};
    return content;
}

} // namespace

TEST(CaptureSources, filterLeavesOutUntitledOffScreenOwnerlessAndOwnWindows)
{
    const auto lists = filterSources(sampleContent(), 99);
    ASSERT_EQ(lists.windows.size(), 1u);
    EXPECT_EQ(lists.windows[0].windowID, 1u);
    ASSERT_EQ(lists.ownWindows.size(), 1u);
    EXPECT_EQ(lists.ownWindows[0].windowID, 4u);
    ASSERT_EQ(lists.applications.size(), 1u);
    EXPECT_EQ(lists.applications[0].bundleIdentifier, "app10");
    EXPECT_EQ(lists.displays.size(), 2u);
}

TEST(CaptureSources, identifiersResolveInOrderAndApplicationsUseTheFirstDisplay)
{
    const auto lists = filterSources(sampleContent(), 99);
    EXPECT_FALSE(resolveSource(lists, std::nullopt));
    EXPECT_FALSE(resolveSource(lists, std::string("display-9")));
    EXPECT_FALSE(resolveSource(lists, std::string("window-4"))) << "own windows are not recordable";
    auto display = resolveSource(lists, std::string("display-8"));
    ASSERT_TRUE(display);
    EXPECT_EQ(display->kind(), CaptureSource::Kind::display);
    EXPECT_EQ(display->identifier(), "display-8");
    auto app = resolveSource(lists, std::string("app-app10"));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->kind(), CaptureSource::Kind::application);
    EXPECT_EQ(app->display().displayID, 7u);
    EXPECT_EQ(app->pixelSize(), QSize(1512, 982));

    SourceLists noDisplays = lists;
    noDisplays.displays.clear();
    EXPECT_FALSE(resolveSource(noDisplays, std::string("app-app10")));
}

TEST(CaptureSources, sizesAndScreenFramesUseDevicePixelsAndABottomLeftOrigin)
{
    // Primary 900 pixels high, a second monitor below it.
    const std::vector<DisplayInfo> displays = {{1, "top", QRect(0, 0, 1440, 900), true},
                                               {2, "bottom", QRect(0, 900, 1440, 900), false}};
    const ScreenSpace space = screenSpaceOf(displays);
    auto w = window(1, "W", 10); // 400 × 300 at (100, 50) from the top
    const auto source = CaptureSource::forWindow(w, space);
    EXPECT_EQ(source.screenFrame(), (Rect{100, 550, 400, 300}));
    EXPECT_EQ(source.pixelSize(), QSize(400, 300));
    w.frame = QRect(0, 0, 0, 1);
    EXPECT_EQ(CaptureSource::forWindow(w, space).pixelSize(), QSize(2, 2));
    const auto below = CaptureSource::forDisplay(displays[1], space);
    EXPECT_EQ(below.screenFrame(), (Rect{0, -900, 1440, 900}));
}

TEST(CaptureSources, aFailedRefreshKeepsTheListsAndExplainsWhy)
{
    test::ensureApplication();
    CaptureSourceProvider provider;
    provider.setOwnProcessID(99);
    bool fail = false;
    provider.setLister([&] {
        if (fail)
            throw std::runtime_error("the X server went away");
        return sampleContent();
    });
    EXPECT_TRUE(provider.windows().empty()) << "nothing is listed before the first refresh";
    provider.refresh();
    EXPECT_EQ(provider.windows().size(), 1u);
    EXPECT_FALSE(provider.errorMessage());
    fail = true;
    provider.refresh();
    EXPECT_EQ(provider.windows().size(), 1u);
    ASSERT_TRUE(provider.errorMessage());
    EXPECT_EQ(provider.errorMessage()->rfind("Couldn't list capture sources (the X server went away). ", 0), 0u);
}

TEST(CaptureSources, theXServerListsTheTestWindowWithItsOwnerAndGeometry)
{
    if (!test::requireDisplay())
        return;
    test::TestWindow testWindow("Tarnix listing window", "3060c0", QRect(300, 200, 360, 240), 1);
    ASSERT_TRUE(testWindow.isReady());
    test::ensureApplication();
    CaptureSourceProvider provider;
    provider.refresh();
    ASSERT_FALSE(provider.errorMessage()) << *provider.errorMessage();
    ASSERT_FALSE(provider.displays().empty());
    const WindowInfo* found = nullptr;
    for (const auto& w : provider.windows())
        if (w.title == "Tarnix listing window")
            found = &w;
    ASSERT_NE(found, nullptr);
    EXPECT_GT(found->processID, 0);
    EXPECT_EQ(found->frame.size(), QSize(360, 240));
    auto source = provider.source(windowIdentifier(*found));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->pixelSize(), QSize(360, 240));
    const QRect primary = screenSpaceOf(provider.displays()).primary;
    EXPECT_EQ(source->screenFrame(),
              (Rect{double(found->frame.x()), double(primary.height() - found->frame.y() - 240), 360, 240}));
    bool appListed = false;
    for (const auto& app : provider.applications())
        appListed |= app.bundleIdentifier == found->applicationID;
    EXPECT_TRUE(appListed);
}

namespace {

// A plain top-level window made straight through XCB, titled and mapped.
xcb_window_t makeTitledWindow(x11::Connection& c, const std::string& title, int x)
{
    const xcb_window_t id = xcb_generate_id(c.get());
    const std::uint32_t values[] = {c.screen()->white_pixel};
    xcb_create_window(c.get(), XCB_COPY_FROM_PARENT, id, c.root(), x, 100, 200, 150, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, c.screen()->root_visual, XCB_CW_BACK_PIXEL,
                      values);
    xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        std::uint32_t(title.size()), title.data());
    const char wmClass[] = "tarnix-test\0TarnixTest";
    xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    xcb_map_window(c.get(), id);
    xcb_flush(c.get());
    return id;
}

bool listed(x11::Connection& c, const std::string& title)
{
    for (const auto& window : x11::listWindows(c))
        if (window.title == title)
            return true;
    return false;
}

} // namespace

TEST(CaptureSources, desktopDockAndOtherDesktopPartsAreNotListed)
{
    if (!test::requireDisplay())
        return;
    x11::Connection c;
    const std::vector<std::string> types{"_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_DOCK",
                                         "_NET_WM_WINDOW_TYPE_NOTIFICATION",
                                         "_NET_WM_WINDOW_TYPE_TOOLTIP"};
    const xcb_window_t normal = makeTitledWindow(c, "Tarnix typed normal", 40);
    std::vector<xcb_window_t> parts;
    for (std::size_t i = 0; i < types.size(); ++i)
        parts.push_back(makeTitledWindow(c, "Tarnix typed " + std::to_string(i), 300 + 60 * int(i)));
    ASSERT_TRUE(test::processEventsUntil(10, [&] {
        for (std::size_t i = 0; i < types.size(); ++i)
            if (!listed(c, "Tarnix typed " + std::to_string(i)))
                return false;
        return listed(c, "Tarnix typed normal");
    })) << "the new windows never showed up in the window list";

    // Typed once managed, so that the window manager treats them all alike.
    const xcb_atom_t normalType = c.atom("_NET_WM_WINDOW_TYPE_NORMAL");
    xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, normal, c.atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &normalType);
    for (std::size_t i = 0; i < types.size(); ++i) {
        const xcb_atom_t type = c.atom(types[i].c_str());
        xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, parts[i], c.atom("_NET_WM_WINDOW_TYPE"),
                            XCB_ATOM_ATOM, 32, 1, &type);
    }
    xcb_flush(c.get());
    EXPECT_TRUE(listed(c, "Tarnix typed normal"));
    for (std::size_t i = 0; i < types.size(); ++i)
        EXPECT_FALSE(listed(c, "Tarnix typed " + std::to_string(i))) << types[i];

    xcb_destroy_window(c.get(), normal);
    for (xcb_window_t id : parts)
        xcb_destroy_window(c.get(), id);
    xcb_flush(c.get());
}

TEST(OutputFiles, namesCarryTheUtcStartTimeWithoutColons)
{
    // 2026-12-05 14:03:07 UTC
    const Date date = Date::fromUnixSeconds(1796479387);
    EXPECT_EQ(OutputFiles::fileName(OutputFiles::kScreenPrefix, date, ".mp4"), "Tarnix-2026-12-05T14-03-07Z.mp4");
    EXPECT_EQ(OutputFiles::fileName(OutputFiles::kCameraPrefix, date, ".mov"), "Tarnix-camera-2026-12-05T14-03-07Z.mov");
    EXPECT_EQ(OutputFiles::fileName(OutputFiles::kMicrophonePrefix, date, ".m4a"), "Tarnix-mic-2026-12-05T14-03-07Z.m4a");
    EXPECT_EQ(OutputFiles::outputPath(std::filesystem::path("/x"), "Tarnix-", date, ".mp4"),
              std::filesystem::path("/x/Tarnix-2026-12-05T14-03-07Z.mp4"));
}

TEST(OutputFiles, twoRecordingsInOneSecondNeverShareAFile)
{
    test::TemporaryFolder folder;
    const Date date = Date::fromUnixSeconds(1796479387);
    const auto first = OutputFiles::reserveOutputPath(folder.path(), "Tarnix-", date, ".mp4");
    const auto second = OutputFiles::reserveOutputPath(folder.path(), "Tarnix-", date, ".mp4");
    EXPECT_EQ(first, folder.path() / "Tarnix-2026-12-05T14-03-07Z.mp4");
    EXPECT_EQ(second, folder.path() / "Tarnix-2026-12-05T14-03-07Z-2.mp4");
    EXPECT_TRUE(std::filesystem::exists(first) && std::filesystem::exists(second));
}

TEST(CaptureSources, anAreaOfADisplayIsCutToItWithEvenSidesAndPlacedOnTheScreen)
{
    const auto lists = filterSources(sampleContent(), 99);
    const auto right = resolveSource(lists, "display-8");
    ASSERT_TRUE(right);
    // 301 × 201 from (10, 20) of the right display: even sides, in the root at its place.
    const auto area = right->cutTo(QRect(10, 20, 301, 201));
    ASSERT_TRUE(area);
    EXPECT_EQ(area->identifier(), "display-8");
    EXPECT_EQ(area->pixelSize(), QSize(300, 200));
    EXPECT_EQ(area->rootFrame(), QRect(1522, 20, 300, 200));
    // Screen space is bottom-left up from the primary display (982 high).
    EXPECT_EQ(area->screenFrame(), (Rect{1522, 982 - 220, 300, 200}));

    // What lies off the display is cut away; nothing is left of an area wholly off it or too thin.
    EXPECT_EQ(right->cutTo(QRect(700, 500, 300, 300))->area(), QRect(700, 500, 100, 100));
    EXPECT_FALSE(right->cutTo(QRect(900, 0, 100, 100)));
    EXPECT_FALSE(right->cutTo(QRect(0, 0, 1, 100)));
    EXPECT_FALSE(resolveSource(lists, "window-1")->cutTo(QRect(0, 0, 100, 100))) << "only displays have areas";

    // A portal display learns its size when the desktop shares it: until then the area is kept whole.
    EXPECT_EQ(evenArea(QRect(5, 5, 641, 481), QSize()), QRect(5, 5, 640, 480));
}
