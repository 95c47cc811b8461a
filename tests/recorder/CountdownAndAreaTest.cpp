#include <QElapsedTimer>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "document/DocumentCoding.h"
#include "recorder/AreaOverlay.h"
#include "recorder/AreaSelection.h"
#include "recorder/BarControls.h"
#include "recorder/RecorderSettings.h"
#include "recorder/RecorderWindowFixture.h"
#include "recorder/SourceKindPicker.h"
#include "support/ScreenGrab.h"

using namespace tarnix;

namespace {

using test::menuAction;

std::size_t filesIn(const std::filesystem::path& folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

// The window, with the settings file in the test's own folder: a countdown or an area left in the
// user's settings would change every later start.
class CountdownAndAreaTest : public test::RecorderWindowFixture {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((settingsFolder.path()).string()));
        test::RecorderWindowFixture::SetUp();
    }
    void TearDown() override
    {
        test::RecorderWindowFixture::TearDown();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    void selectDisplay()
    {
        QAction* display = menuAction(bar().sourcePicker()->menu(SourceKind::display), QStringLiteral("Entire Display"));
        ASSERT_TRUE(display);
        display->trigger();
    }

    // Drags on the overlay from `from` to `to` (its pixels), as a mouse would.
    static void dragOn(AreaOverlay* overlay, QPoint from, QPoint to)
    {
        QTest::mousePress(overlay, Qt::LeftButton, {}, from);
        QTest::mouseMove(overlay, (from + to) / 2);
        QTest::mouseMove(overlay, to);
        QTest::mouseRelease(overlay, Qt::LeftButton, {}, to);
    }

    test::TemporaryFolder settingsFolder;
};

} // namespace

TEST(AreaSelection, dragsDrawMoveAndStayOnTheDisplay)
{
    AreaSelection selection({1920, 1080}, QRect(1800, 1000, 400, 300));
    EXPECT_EQ(selection.rect(), QRect(1800, 1000, 120, 80)) << "the remembered area is cut to the display";

    // A click that hardly moves keeps the rectangle; a drag from outside draws a new one, in any
    // direction.
    selection.press({100, 100});
    selection.release({102, 101});
    EXPECT_EQ(selection.rect(), QRect(1800, 1000, 120, 80));
    selection.press({741, 461});
    selection.drag({500, 300});
    selection.release({100, 100});
    EXPECT_EQ(selection.rect(), QRect(100, 100, 641, 361));
    EXPECT_EQ(selection.area(), QRect(100, 100, 640, 360)) << "the encoder gets even sides";
    EXPECT_EQ(selection.sizeText(), "640 × 360");

    // A drag from inside moves it, and it slides along the display's edges instead of leaving it.
    selection.press({200, 200});
    selection.release({2200, -500});
    EXPECT_EQ(selection.rect(), QRect(1920 - 641, 0, 641, 361));

    // Drawn past the edge, it ends at the edge; too thin to record, there is no area.
    selection.press({10, 1000});
    selection.release({11, 5000});
    EXPECT_EQ(selection.rect(), QRect(10, 1000, 1, 80));
    EXPECT_FALSE(selection.area());
    EXPECT_EQ(selection.sizeText(), "");
}

// On a scaled desktop the rectangle is drawn in points and recorded in pixels: the label says the
// pixels, with even sides after the scaling too (1.5 turns an even side odd).
TEST(AreaSelection, theRecordedAreaIsInTheDisplaysPixelsWithEvenSides)
{
    const AreaSelection doubled({960, 540}, QRect(150, 100, 320, 180), 2.0);
    EXPECT_EQ(doubled.pixelArea(), QRect(300, 200, 640, 360));
    EXPECT_EQ(doubled.sizeText(), "640 × 360");

    const AreaSelection oneAndAHalf({1280, 720}, QRect(100, 100, 202, 102), 1.5);
    EXPECT_EQ(oneAndAHalf.area(), QRect(100, 100, 202, 102)) << "as drawn";
    EXPECT_EQ(oneAndAHalf.pixelArea(), QRect(150, 150, 302, 152)) << "303 × 153 pixels, evened";
    const AreaSelection atTheEdge({1280, 720}, QRect(1000, 600, 280, 120), 1.5);
    EXPECT_EQ(atTheEdge.pixelArea(), QRect(1500, 900, 420, 180)) << "still on the display's 1920 × 1080";
}

// A desktop's cast may come in the output's pixels (twice the points at scale 2) or in points:
// either way the still covers the overlay's points at the screen's pixel density.
TEST(AreaOverlay, theStillIsFittedToTheDisplaysPointsAtItsPixelDensity)
{
    QImage picture(2560, 1440, QImage::Format_RGB32);
    picture.fill(Qt::green);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            picture.setPixelColor(x, y, Qt::blue);

    const QImage sharp = AreaOverlay::fitStill(picture, {1280, 720}, 2.0);
    EXPECT_EQ(sharp.size(), QSize(2560, 1440)) << "already the screen's pixels: kept as they are";
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(1280, 720));

    const QImage inPoints = AreaOverlay::fitStill(picture.scaled(1280, 720), {1280, 720}, 2.0);
    EXPECT_EQ(inPoints.size(), QSize(2560, 1440));
    EXPECT_EQ(inPoints.deviceIndependentSize(), QSizeF(1280, 720));

    const QImage down = AreaOverlay::fitStill(picture, {1280, 720}, 1.0);
    EXPECT_EQ(down.size(), QSize(1280, 720));
    EXPECT_EQ(down.pixelColor(40, 20), QColor(Qt::blue)) << "the picture keeps its place";
    EXPECT_EQ(down.pixelColor(140, 20), QColor(Qt::green));

    EXPECT_TRUE(AreaOverlay::fitStill(QImage(), {1280, 720}, 1.0).isNull()) << "no picture: the desktop shows through";
}

TEST(RecorderSettings, theCountdownAndTheLastAreaAreRememberedPerDisplay)
{
    test::TemporaryFolder folder;
    const QString file = QString::fromStdString((folder.path() / "Tarnix.conf").string());
    {
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_EQ(RecorderSettings::countdown(settings), 0) << "off by default";
        RecorderSettings::saveCountdown(settings, 5);
        RecorderSettings::saveArea(settings, "display-7", QRect(10, 20, 300, 200));
    }
    QSettings settings(file, QSettings::IniFormat); // the next launch
    EXPECT_EQ(RecorderSettings::countdown(settings), 5);
    EXPECT_EQ(RecorderSettings::lastArea(settings, "display-7"), QRect(10, 20, 300, 200));
    EXPECT_FALSE(RecorderSettings::lastArea(settings, "display-8")) << "another display has no area yet";
    settings.setValue("recording/countdown", 7);
    EXPECT_EQ(RecorderSettings::countdown(settings), 0) << "a value the menu does not offer is none";
}

TEST_F(CountdownAndAreaTest, theCountdownIsCancelledByEscapeOrASecondPressAndRecordsNothingUntilItEnds)
{
    showWindow();
    selectDisplay();
    // Chosen in the overflow menu, remembered for the next launch.
    QMenu* countdownMenu = menuAction(bar().moreMenu(), QStringLiteral("Countdown"))->menu();
    ASSERT_TRUE(countdownMenu);
    EXPECT_EQ(menuAction(countdownMenu, QStringLiteral("Off"))->isChecked(), true);
    menuAction(countdownMenu, QStringLiteral("3 s"))->trigger();
    EXPECT_EQ(window->model().countdownSeconds(), 3);
    EXPECT_EQ(RecorderSettings::countdown(QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"))), 3);
    window->model().setCountdownStep(std::chrono::milliseconds(150));

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    EXPECT_EQ(bar().countdownText(), QStringLiteral("3"));
    EXPECT_EQ(bar().recordButton()->accessibleName(), QStringLiteral("Cancel Countdown"));
    // A real key press, through the window manager's focus: the bar took the keyboard.
    ASSERT_EQ(test::shell("xdotool key Escape"), 0);
    EXPECT_TRUE(waitFor(10, [&] { return !window->model().countdownRemaining(); }));
    EXPECT_EQ(bar().countdownText(), QString());

    const QRect barArea = window->geometry();
    const QImage idle = test::grabScreen().copy(barArea);
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(window->model().countdownRemaining());
    // What the screen shows once the bar has repainted with the number.
    QImage counting;
    EXPECT_TRUE(waitFor(5, [&] {
        counting = test::grabScreen();
        return counting.copy(barArea) != idle;
    }));
    test::saveScreenshot(counting, QStringLiteral("countdown-screen-") + qEnvironmentVariable("TARNIX_WM"));
    // While it counts nothing is recorded or written.
    EXPECT_FALSE(session->isRecording());
    EXPECT_EQ(filesIn(folder.path()), 0u);
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton); // the second press
    EXPECT_FALSE(window->model().countdownRemaining());
    EXPECT_FALSE(window->model().isBusy()) << "a cancelled count starts nothing";

    // Left to run, it counts 3, 2, 1, and only then does the recording start.
    std::vector<int> shown;
    QObject::connect(&window->model(), &ControlBarModel::changed, [&] {
        if (auto remaining = window->model().countdownRemaining();
            remaining && (shown.empty() || shown.back() != *remaining))
            shown.push_back(*remaining);
    });
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    EXPECT_EQ(shown, (std::vector<int>{3, 2, 1}));
    ASSERT_TRUE(waitFor(20, [&] { return session->recorder().appendedFrameCount() > 3; }));
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return window->mode() == WindowMode::studio; }));
}

TEST_F(CountdownAndAreaTest, anAreaDraggedOnTheOverlayIsWhatIsRecordedAndIsRememberedWhileEscapeCancels)
{
    ASSERT_EQ(test::shell("xsetroot -solid '#3a6ea5'"), 0);
    test::TestWindow behind("Tarnix area behind", "e0b040", QRect(420, 260, 420, 260), 2);
    ASSERT_TRUE(behind.isReady());
    showWindow();
    SourceKindPicker& picker = *bar().sourcePicker();
    ASSERT_TRUE(picker.button(SourceKind::area));
    EXPECT_EQ(picker.button(SourceKind::area)->accessibleName(), QStringLiteral("Area"));
    QAction* choose = menuAction(picker.menu(SourceKind::area), QStringLiteral("Choose an area"));
    ASSERT_TRUE(choose);

    // Escape: the overlay goes, nothing is selected or recorded.
    choose->trigger();
    ASSERT_TRUE(window->areaOverlay());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->areaOverlay()));
    EXPECT_EQ(window->areaOverlay()->geometry(), QRect(0, 0, 1920, 1080));
    QImage asking;
    EXPECT_TRUE(waitFor(5, [&] {
        asking = test::grabScreen();
        return asking.pixel(20, 1060) != qRgb(0x3a, 0x6e, 0xa5); // dimmed
    }));
    test::saveScreenshot(asking, QStringLiteral("area-overlay-empty-") + qEnvironmentVariable("TARNIX_WM"));
    dragOn(window->areaOverlay(), {300, 200}, {700, 500});
    ASSERT_EQ(test::shell("xdotool key Escape"), 0); // the overlay holds the keyboard
    ASSERT_TRUE(waitFor(5, [&] { return !window->areaOverlay(); }));
    EXPECT_NE(window->model().selectedKind(), SourceKind::area);
    EXPECT_FALSE(session->isRecording());

    choose->trigger();
    AreaOverlay* overlay = window->areaOverlay();
    ASSERT_TRUE(overlay);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay));
    EXPECT_FALSE(overlay->selection().rect()) << "a cancelled area is not remembered";
    EXPECT_FALSE(overlay->recordButton()->isVisible());
    // The pointer's own drag, as the X server delivers it to the overlay.
    ASSERT_EQ(test::shell("xdotool mousemove 300 200 mousedown 1 mousemove 600 400 mousemove 941 561 mouseup 1"), 0);
    EXPECT_TRUE(waitFor(10, [&] { return overlay->selection().sizeText() == "640 × 360"; }))
        << overlay->selection().sizeText();
    ASSERT_TRUE(overlay->recordButton()->isVisible());
    EXPECT_EQ(overlay->recordButton()->accessibleName(), QStringLiteral("Record"));
    test::processEvents(0.2);
    test::saveScreenshot(test::grabScreen(), QStringLiteral("area-overlay-screen-") + qEnvironmentVariable("TARNIX_WM"));
    QTest::mouseClick(overlay->recordButton(), Qt::LeftButton);

    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    EXPECT_FALSE(window->areaOverlay());
    EXPECT_EQ(window->model().selectedKind(), SourceKind::area);
    ASSERT_TRUE(session->recordingSource());
    EXPECT_EQ(session->recordingSource()->area(), QRect(300, 200, 640, 360));
    ASSERT_TRUE(waitFor(20, [&] { return session->recorder().appendedFrameCount() > 5; }));
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return session->completedTimeline().has_value(); }));
    EXPECT_EQ(session->completedTimeline()->captureFrame.width, 640);
    EXPECT_EQ(session->completedTimeline()->captureFrame.height, 360);
    EXPECT_EQ(RecorderSettings::lastArea(QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix")), session->selectedSourceID().value_or("")),
              QRect(300, 200, 640, 360));
}

TEST_F(CountdownAndAreaTest, recordWithAnAreaSelectedShowsTheLastAreaAndEnterRecordsIt)
{
    showWindow();
    const auto items = window->model().sourceItems(SourceKind::area);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items.front().label, "Choose an area…");
    const std::string display = items.front().identifier;
    {
        QSettings settings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"));
        RecorderSettings::saveArea(settings, display, QRect(100, 300, 500, 280));
    }
    session->setSelectedSourceID(display);
    session->setSelectedArea(QRect(100, 300, 500, 280));
    EXPECT_EQ(window->model().selectedKind(), SourceKind::area);

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    EXPECT_FALSE(session->isRecording()) << "the area is shown before anything is recorded";
    AreaOverlay* overlay = window->areaOverlay();
    ASSERT_TRUE(overlay);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay));
    EXPECT_EQ(overlay->selection().rect(), QRect(100, 300, 500, 280));
    ASSERT_EQ(test::shell("xdotool key Return"), 0);
    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    EXPECT_EQ(session->recordingSource()->area(), QRect(100, 300, 500, 280));
    EXPECT_EQ(session->recorder().movieSize(), QSize(500, 280));

    // Choosing a whole display afterwards drops the area.
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return !session->isRecording() && !window->model().isBusy(); }));
    window->model().selectSource(display);
    EXPECT_EQ(window->model().selectedKind(), SourceKind::display);
    EXPECT_FALSE(session->selectedArea());
}

// Qt on a desktop scaled to 2 (QT_SCALE_FACTOR=2; ctest runs this test so): the overlay is placed
// and dragged in Qt's points, and what is recorded is the X server's pixels under it.
TEST_F(CountdownAndAreaTest, onADesktopScaledToTwoTheAreaIsRecordedInTheDisplaysPixels)
{
    if (QGuiApplication::primaryScreen()->devicePixelRatio() != 2.0)
        GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    ASSERT_EQ(test::shell("xsetroot -solid '#3a6ea5'"), 0);
    showWindow();
    QAction* choose = menuAction(bar().sourcePicker()->menu(SourceKind::area), QStringLiteral("Choose an area"));
    ASSERT_TRUE(choose);
    choose->trigger();
    AreaOverlay* overlay = window->areaOverlay();
    ASSERT_TRUE(overlay);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay));
    EXPECT_EQ(overlay->geometry(), QRect(0, 0, 960, 540)) << "the whole display, in points";
    EXPECT_EQ(overlay->still().size(), QSize(1920, 1080)) << "the still keeps the display's pixels";
    // The whole screen is covered: its far corner is dimmed too.
    EXPECT_TRUE(waitFor(5, [&] { return test::grabScreen().pixel(1900, 1060) != qRgb(0x3a, 0x6e, 0xa5); }));

    // The pointer moves in the X server's pixels.
    ASSERT_EQ(test::shell("xdotool mousemove 300 200 mousedown 1 mousemove 600 400 mousemove 940 560 mouseup 1"), 0);
    EXPECT_TRUE(waitFor(10, [&] { return overlay->selection().sizeText() == "640 × 360"; }))
        << overlay->selection().sizeText() << " is what the label says is recorded";
    EXPECT_EQ(overlay->selection().rect(), QRect(150, 100, 320, 180));
    test::saveScreenshot(test::grabScreen(), QStringLiteral("area-overlay-scaled-2"));
    ASSERT_EQ(test::shell("xdotool key Return"), 0);

    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    EXPECT_EQ(session->recordingSource()->area(), QRect(300, 200, 640, 360));
    ASSERT_TRUE(waitFor(20, [&] { return session->recorder().appendedFrameCount() > 3; }));
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return session->completedTimeline().has_value(); }));
    EXPECT_EQ(session->recorder().movieSize(), QSize(640, 360));
    // Remembered as drawn, and drawn there again next time.
    EXPECT_EQ(RecorderSettings::lastArea(QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix")),
                                         session->selectedSourceID().value_or("")),
              QRect(150, 100, 320, 180));
}

namespace {

// An X server of the test's own, 1920 × 1080 split into two monitors side by side. It is started
// before Qt connects to any, since Qt reads the displays when the application is made.
class TwoMonitorDisplay {
public:
    TwoMonitorDisplay()
    {
        for (int n = 200; n < 260 && name_.empty(); ++n)
            if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
                !std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock"))
                name_ = ":" + std::to_string(n);
        std::vector<std::string> args{"Xvfb", name_, "-screen", "0", "1920x1080x24", "-noreset", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (name_.empty() || posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0)
            return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ready_ && std::chrono::steady_clock::now() < deadline) {
            ready_ = run("xdpyinfo >/dev/null 2>&1") == 0;
            if (!ready_)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ready_ = ready_ && run("xrandr --setmonitor '*left' 960/254x1080/286+0+0 screen") == 0 &&
                 run("xrandr --setmonitor right 960/254x1080/286+960+0 none") == 0;
    }
    ~TwoMonitorDisplay()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    bool isReady() const { return ready_; }
    const std::string& name() const { return name_; }
    int run(const std::string& command) const { return test::shell("DISPLAY=" + name_ + " " + command); }

private:
    std::string name_;
    pid_t pid_ = 0;
    bool ready_ = false;
};

} // namespace

// The second of two monitors on a desktop scaled to 2: Qt keeps each screen's corner in pixels and
// halves its size, so the overlay goes to the screen at the display's corner, and the area drawn
// there is recorded in that display's own pixels. Needs a process of its own with
// QT_SCALE_FACTOR=2 (ctest runs it so).
TEST(ScaledAreaOnTwoMonitors, theAreaOfTheSecondMonitorIsRecordedInItsPixels)
{
    if (QCoreApplication::instance() || qEnvironmentVariable("QT_SCALE_FACTOR") != QStringLiteral("2"))
        GTEST_SKIP() << "runs alone, with QT_SCALE_FACTOR=2";
    TwoMonitorDisplay display;
    ASSERT_TRUE(display.isReady());
    test::ScopedEnvironment onIt("DISPLAY", display.name().c_str());
    test::TemporaryFolder settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settingsFolder.path().string()));
    test::ensureWidgetApplication();
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    test::WindowOverTestSession open;
    open.openWindow();
    open.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(open.window.get()));
    ControlBarModel& model = open.window->model();
    const auto items = model.sourceItems(SourceKind::area);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].label, "Choose an area of right…");

    model.chooseArea(items[1].identifier);
    AreaOverlay* overlay = open.window->areaOverlay();
    ASSERT_TRUE(overlay);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay));
    EXPECT_EQ(overlay->geometry(), QRect(960, 0, 480, 540)) << "the right monitor, in points";
    EXPECT_EQ(overlay->still().size(), QSize(960, 1080));
    ASSERT_EQ(display.run("xdotool mousemove 1060 100 mousedown 1 mousemove 1300 300 mousemove 1700 460 mouseup 1"), 0);
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return overlay->selection().sizeText() == "640 × 360"; }))
        << overlay->selection().sizeText();
    ASSERT_EQ(display.run("xdotool key Return"), 0);
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return open.session->isRecording() && !model.isBusy(); }));
    EXPECT_EQ(open.session->recordingSource()->area(), QRect(100, 100, 640, 360)) << "in the right monitor's pixels";
    model.toggleRecording();
    EXPECT_TRUE(test::processEventsUntil(30, [&] { return open.session->completedTimeline().has_value(); }));
    open.closeWindow();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}
