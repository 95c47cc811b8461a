#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "app/DocumentFiles.h"
#include "recorder/BarControls.h"
#include "recorder/BarParts.h"
#include "recorder/RecorderControlBar.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecorderWindow.h"
#include "recorder/RecorderWindowFixture.h"
#include "studio/PlayerSurface.h"
#include "studio/StudioEditingViews.h"
#include "studio/StudioView.h"
#include "studio/timeline/TimelineView.h"
#include "studio/sidebar/StudioSidebarView.h"
#include "studio/sidebar/StudioTabLabels.h"
#include "media/MediaTestSupport.h"
#include "studio/StudioSession.h"
#include "studio/TransportBar.h"
#include "studio/sidebar/StudioIconRail.h"
#include "support/MediaProbe.h"
#include "support/ScreenGrab.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"
#include "ui/AppAlert.h"
#include "ui/DesktopEffects.h"

using namespace tarnix;

namespace {

// The desktop's wallpaper during these tests: whatever shows it inside our windows' place on
// screen is a part the window manager or the missing compositor left unpainted.
constexpr QRgb wallpaper = qRgb(0x33, 0x66, 0x99);
// Near-black pixels allowed inside the bar: none, but for a few text glyphs' darkest pixels.
constexpr double blackAllowed = 0.002;

bool isWallpaper(QRgb pixel)
{
    return test::similarColour(pixel, wallpaper, 10);
}

// Whether `area` of `widget` is drawn whole: inside the widget and inside every widget it sits in,
// up to its window, all of them shown.
bool shownWhole(const QWidget* widget, QRect area)
{
    for (const QWidget* each = widget; each; each = each->parentWidget()) {
        if (!each->isVisible() || !each->rect().contains(area))
            return false;
        if (each->isWindow())
            return true;
        area.translate(each->pos());
    }
    return false;
}

// Whole-screen tests under the window manager of the test services (TARNIX_WM).
class DesktopTest : public test::RecorderWindowFixture {
protected:
    void SetUp() override
    {
        if (!test::requireDisplay())
            GTEST_SKIP();
        ASSERT_EQ(test::shell("hsetroot -solid '#336699' >/dev/null 2>&1"), 0) << "hsetroot sets the wallpaper";
        test::RecorderWindowFixture::SetUp();
        if (setupName().find("picom") != std::string::npos) {
            ASSERT_TRUE(waitFor(10, [] { return DesktopEffects::hasCompositor(); })) << "picom did not start";
        }
    }

    void TearDown() override
    {
        test::RecorderWindowFixture::TearDown();
        // The next tests on this display expect the bare root of before.
        test::shell("xsetroot -solid black; xprop -root -remove _XROOTPMAP_ID -remove ESETROOT_PMAP_ID 2>/dev/null");
    }

    static std::string setupName()
    {
        const char* name = std::getenv("TARNIX_WM");
        return name && *name ? name : "evilwm";
    }

    // Grabs the screen until `good` holds for the grab (the window manager and the compositor
    // take a few frames to catch up), or the deadline passes; saves the last grab under the
    // setup's name and returns it.
    QImage screenUntil(const QString& what, const std::function<bool(const QImage&)>& good, double seconds = 8)
    {
        QImage screen;
        waitFor(seconds, [&] {
            screen = test::grabScreen();
            return !screen.isNull() && good(screen);
        });
        const auto folder = std::filesystem::path(TARNIX_BINARY_DIR) / "screenshots";
        std::filesystem::create_directories(folder);
        const QString name = QStringLiteral("desktop-%1-%2.png").arg(QString::fromStdString(setupName()), what);
        screen.save(QString::fromStdString((folder / name.toStdString()).string()));
        return screen;
    }

    // The bar is on screen (a compositing manager fades windows in) and shows no black.
    bool barIsWhole(const QImage& screen) const
    {
        return !isWallpaper(screen.pixel(capsuleCentre())) && blackInWindow(screen) < blackAllowed;
    }

    double blackInWindow(const QImage& screen) const
    {
        return test::shareOfPixels(screen, window->geometry(), test::isNearBlack);
    }

    // The share of the window's area where the wallpaper shows, the Studio's preview and the
    // timeline's filmstrip aside (they may show a recording of that wallpaper).
    double wallpaperInWindow(const QImage& screen) const
    {
        const QRect area = window->geometry();
        double shown = test::shareOfPixels(screen, area, isWallpaper) * area.width() * area.height();
        auto leaveOut = [&](const QRect& inside) {
            shown -= test::shareOfPixels(screen, inside, isWallpaper) * inside.width() * inside.height();
        };
        if (auto* studio = qobject_cast<StudioView*>(window->studioWidget())) {
            const QWidget* preview = studio->playerSurface();
            leaveOut(QRect(preview->mapToGlobal(QPoint(0, 0)), preview->size()));
            const auto* timeline = studio->editingViews().timeline();
            const QRect strip = timeline->filmstripRect().toAlignedRect();
            leaveOut(QRect(timeline->mapToGlobal(strip.topLeft()), strip.size()));
        }
        return shown / (area.width() * area.height());
    }

    // The middle of the capsule, on screen.
    QPoint capsuleCentre() const
    {
        const auto* capsule = window->findChild<BarCapsule*>();
        return capsule->mapToGlobal(capsule->rect().center());
    }
};

} // namespace

TEST_F(DesktopTest, TheBarIsWholeIdleAndRecordingLeftOutOfTheMovieAndTheStudioFillsItsWindow)
{
    showWindow();
    ASSERT_FALSE(session->sourceProvider().displays().empty());
    window->model().selectSource(displayIdentifier(session->sourceProvider().displays().front()));

    QImage screen = screenUntil("bar-idle", [&](const QImage& s) { return barIsWhole(s); });
    EXPECT_LT(blackInWindow(screen), blackAllowed);
    EXPECT_FALSE(isWallpaper(screen.pixel(capsuleCentre()))) << "the capsule is painted";

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitFor(20, [&] { return clock.elapsed() > 1500 && session->recorder().appendedFrameCount() > 10; }));
    screen = screenUntil("bar-recording", [&](const QImage& s) { return barIsWhole(s); });
    EXPECT_LT(blackInWindow(screen), blackAllowed) << "transparent parts of the bar show black";
    const QPoint centre = capsuleCentre();
    EXPECT_FALSE(isWallpaper(screen.pixel(centre)));
    EXPECT_FALSE(test::isNearBlack(screen.pixel(centre)));
    // The live status has the room its text needs.
    auto* status = window->findChild<RecordingStatus*>();
    ASSERT_TRUE(status);
    EXPECT_GE(status->width(), status->sizeHint().width()) << status->counts().toStdString();
    const QRect barOnScreen = window->geometry();

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return window->mode() == WindowMode::studio; }));
    ASSERT_TRUE(waitFor(10, [&] { return window->isVisible() && window->width() == RecorderWindow::studioSize.width(); }));
    screen = screenUntil("studio", [&](const QImage& s) { return wallpaperInWindow(s) < 0.01; }, 15);
    EXPECT_LT(wallpaperInWindow(screen), 0.01) << "the desktop shows through the Studio";

    // The recorded display shows the wallpaper where the bar was, not the bar.
    ASSERT_TRUE(session->completedTimeline());
    QImage last;
    test::forEachVideoFrame(*session->completedTimeline()->videoURL, [&](const QImage& frame, double) { last = frame; });
    ASSERT_FALSE(last.isNull());
    const double scale = double(last.width()) / screen.width();
    const QRect barInMovie = QRectF(QPointF(barOnScreen.topLeft()) * scale, QSizeF(barOnScreen.size()) * scale).toRect();
    const double shown = test::shareOfPixels(last, barInMovie, [](QRgb p) { return test::similarColour(p, wallpaper, 24); });
    EXPECT_GT(shown, 0.97) << "our window is in the recording";
}

TEST_F(DesktopTest, ALongMessageIsShownWholeOnAsManyLinesAsItNeeds)
{
    // No sound server: the microphone list says so in a message longer than the bar is wide.
    test::ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/tarnix-desktop-test");
    showWindow();
    ASSERT_TRUE(waitFor(10, [&] { return !bar().errorText().isEmpty(); }));
    const QString message = bar().errorText();
    EXPECT_TRUE(message.startsWith(QStringLiteral("Couldn't reach a sound server ("))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("))")));
    ASSERT_TRUE(waitFor(5, [&] { return window->height() > RecorderWindow::setupSize.height(); }))
        << "the window grows for the second line";
    auto* line = window->findChild<ErrorLine*>();
    ASSERT_TRUE(line);
    EXPECT_GT(line->height(), ErrorLine::lineHeight);
    EXPECT_EQ(line->height(), line->heightFor(line->width()));
    EXPECT_LE(line->pill().width(), line->width());

    const QPoint pillCentre = line->mapToGlobal(line->pill().center().toPoint());
    const QImage screen = screenUntil("bar-error", [&](const QImage& s) { return barIsWhole(s) && !isWallpaper(s.pixel(pillCentre)); });
    EXPECT_LT(blackInWindow(screen), blackAllowed);
    EXPECT_FALSE(isWallpaper(screen.pixel(pillCentre))) << "the message's pill is on screen";
}

TEST_F(DesktopTest, AStudioOpenedRightAfterTheBarIsPaintedOverItsWholeWindow)
{
    // As `tarnix FILE.tarnix.json` does: the bar is shown, then at once the Studio.
    showWindow();
    RecordingTimeline timeline;
    timeline.videoURL = folder.path() / "missing.mp4";
    window->showStudio({timeline, std::nullopt, std::nullopt, {}});
    ASSERT_TRUE(waitFor(30, [&] { return !alerts.empty(); })); // the movie is missing: said, not hidden
    ASSERT_TRUE(waitFor(10, [&] { return window->isVisible() && window->width() == RecorderWindow::studioSize.width(); }))
        << window->isVisible() << " " << window->width() << "×" << window->height();
    const QImage screen = screenUntil("studio-opened", [&](const QImage& s) { return wallpaperInWindow(s) < 0.01; }, 15);
    EXPECT_LT(wallpaperInWindow(screen), 0.01);
}

TEST_F(DesktopTest, EachRailButtonOpensItsPanelThroughTheAccessibilityAction)
{
    if (!test::requireAccessibilityBus())
        return;
    showWindow();
    RecordingTimeline timeline;
    timeline.videoURL = folder.path() / "missing.mp4";
    window->showStudio({timeline, std::nullopt, std::nullopt, {}});
    auto* studio = qobject_cast<StudioView*>(window->studioWidget());
    ASSERT_TRUE(studio);
    ASSERT_TRUE(waitFor(10, [&] { return studio->isVisible(); }));
    StudioSidebarView* sidebar = studio->editingViews().sidebar();

    // As a screen reader does: from another process, through the accessibility bus, while this
    // one answers from its event loop.
    auto activate = [&](const QString& name) {
        int status = -1;
        waitFor(20, [&] {
            QProcess helper;
            helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            helper.start(QStringLiteral(TARNIX_ATSPI_ACTION),
                         {QString::number(QCoreApplication::applicationPid()), name});
            waitFor(10, [&] { return helper.state() == QProcess::NotRunning; });
            status = helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
            return status == 0; // 2 while the tree is not exported yet
        });
        return status;
    };
    for (StudioTab tab : kAllStudioTabs) {
        const QString name = title(tab);
        ASSERT_EQ(activate(name), 0) << "no showing control named " << name.toStdString() << "; root: "
                                     << test::shellOutput("xprop -root AT_SPI_BUS 2>&1") << "; bus: "
                                     << test::shellOutput("dbus-send --session --print-reply --dest=org.a11y.Bus "
                                                          "/org/a11y/bus org.a11y.Bus.GetAddress 2>&1");
        EXPECT_TRUE(waitFor(5, [&] { return sidebar->isVisible() && sidebar->tab() == tab; }))
            << name.toStdString() << " did not open its panel";
    }
    // The open tab's button closes its panel, as a click does.
    ASSERT_EQ(activate(title(kAllStudioTabs.back())), 0);
    EXPECT_TRUE(waitFor(5, [&] { return !sidebar->isVisible(); }));
}

// The Studio's window holds its whole content, whatever the movie: the rail with every tab and
// every track of the timeline, as the Studio opens and as the window is made as small as it goes.
class StudioWindowSizeTest : public DesktopTest {
protected:
    StudioView& openStudio(const std::filesystem::path& movie, std::vector<std::string> notices = {})
    {
        showWindow();
        RecordingTimeline timeline;
        timeline.videoURL = movie;
        window->showStudio({timeline, std::nullopt, std::nullopt, std::move(notices)});
        auto* studio = qobject_cast<StudioView*>(window->studioWidget());
        EXPECT_TRUE(studio);
        EXPECT_TRUE(waitFor(10, [&] { return studio->isVisible(); }));
        return *studio;
    }

    // Which parts of the Studio are cut off; empty when none is.
    static std::string clippedParts(const StudioView& studio)
    {
        std::string clipped;
        const auto* rail = studio.editingViews().rail();
        for (StudioTab tab : kAllStudioTabs)
            if (!shownWhole(rail->button(tab), rail->button(tab)->rect()))
                clipped += " rail:" + title(tab).toStdString();
        const auto* timeline = studio.editingViews().timeline();
        if (!shownWhole(timeline, timeline->audioRect().toAlignedRect()))
            clipped += " audio-track";
        if (!shownWhole(timeline, timeline->scrollBarRect().toAlignedRect()))
            clipped += " timeline-scroll-bar";
        if (!shownWhole(studio.transportBar(), studio.transportBar()->rect()))
            clipped += " transport";
        return clipped;
    }

    // Waits until the window manager has settled the window and nothing is cut off.
    void expectWhole(const StudioView& studio, const QString& name)
    {
        EXPECT_TRUE(waitFor(10, [&] { return clippedParts(studio).empty(); }))
            << "cut off:" << clippedParts(studio) << " in " << window->width() << "×" << window->height();
        // The window manager frames the window a moment after it is shown: the whole window, title
        // bar included, ends on the screen, and where Qt has it is where it is (evilwm leaves Qt
        // a border's width off).
        const QRect screenArea = window->screen()->geometry();
        test::WindowOnServer onServer;
        EXPECT_TRUE(waitFor(10, [&] {
            onServer = test::windowOnServer(window->winId());
            return onServer.frame != onServer.client && screenArea.contains(onServer.frame) &&
                   window->size() == onServer.client.size() &&
                   (window->geometry().topLeft() - onServer.client.topLeft()).manhattanLength() <= 2;
        })) << "frame at " << onServer.frame.x() << "," << onServer.frame.y() << ", client at " << onServer.client.x()
            << "," << onServer.client.y() << " (Qt: " << window->geometry().x() << "," << window->geometry().y() << ")";
        const QImage screen = screenUntil(name, [&](const QImage& s) { return wallpaperInWindow(s) < 0.01; }, 15);
        EXPECT_LT(wallpaperInWindow(screen), 0.01);
    }

    // Asks for a window smaller than anything the Studio can hold, as a user dragging its corner.
    void shrinkAsFarAsItGoes()
    {
        window->resize(400, 300);
        waitFor(2, [&] { return window->height() > 300; });
    }
};

// A screen movie that can't be read whole: garbage, cut short after its index, or gone.
class BrokenMovieTest : public StudioWindowSizeTest, public testing::WithParamInterface<std::string> {
protected:
    std::filesystem::path brokenMovie()
    {
        const auto movie = folder.path() / "screen.mp4";
        if (GetParam() == "garbage") {
            std::ofstream out(movie, std::ios::binary);
            for (int i = 0; i < 200000; ++i)
                out.put(char((i * 7919) % 251));
        } else if (GetParam() == "truncated") {
            // The index first, so that the movie opens and its pictures end early.
            media::test::runFfmpeg("-f lavfi -i testsrc2=s=1280x720:r=30:d=3 -c:v libx264 -preset ultrafast "
                                   "-pix_fmt yuv420p -movflags +faststart \"" + movie.string() + "\"");
            std::filesystem::resize_file(movie, std::filesystem::file_size(movie) / 2);
        }
        return movie;
    }
};

TEST_P(BrokenMovieTest, LeavesTheWholeStudioInItsWindow)
{
    StudioView& studio = openStudio(brokenMovie());
    ASSERT_TRUE(waitFor(30, [&] {
        return !alerts.empty() || studio.session().messages().editNotice().has_value();
    })) << "what is wrong with the movie is said";
    expectWhole(studio, QStringLiteral("studio-%1-movie").arg(QString::fromStdString(GetParam())));
    shrinkAsFarAsItGoes();
    expectWhole(studio, QStringLiteral("studio-%1-movie-smallest").arg(QString::fromStdString(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Movies, BrokenMovieTest, testing::Values("garbage", "truncated", "missing"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST_F(StudioWindowSizeTest, AWideMovieFitsTheWindowWithoutCuttingTheStudio)
{
    // The window is fitted to a picture a fifth as high as it is wide: the content, not the
    // picture, decides the height.
    const auto movie = media::test::makeMovie(folder.path() / "wide.mp4", 1.0, 1000, 200, false);
    StudioView& studio = openStudio(movie);
    ASSERT_TRUE(waitFor(30, [&] { return !studio.playerSurface()->frame().isNull(); }));
    expectWhole(studio, "studio-wide-movie");
    EXPECT_TRUE(alerts.empty());
    shrinkAsFarAsItGoes();
    expectWhole(studio, "studio-wide-movie-smallest");
}

TEST_F(StudioWindowSizeTest, ALongNoticeWrapsInsteadOfWideningTheWindow)
{
    // What a recording lacked, said at once in the notice line: several sentences.
    std::vector<std::string> notices;
    for (int i = 0; i < 5; ++i)
        notices.push_back("The microphone went silent for a while during the recording, and the sound of that "
                          "stretch is missing from the movie.");
    StudioView& studio = openStudio(media::test::makeMovie(folder.path() / "screen.mp4", 1.0, 640, 360, false),
                                    notices);
    ASSERT_TRUE(waitFor(30, [&] { return !studio.playerSurface()->frame().isNull(); }));
    EXPECT_LE(window->minimumWidth(), RecorderWindow::studioSize.width());
    expectWhole(studio, "studio-long-notice");
    const QLabel* notice = studio.editNoticeLabel();
    EXPECT_TRUE(shownWhole(notice, notice->rect()));
    shrinkAsFarAsItGoes();
    expectWhole(studio, "studio-long-notice-smallest");
    EXPECT_TRUE(shownWhole(notice, notice->rect()));
    EXPECT_GE(notice->height(), notice->heightForWidth(notice->width())) << "every line of the notice shows";
}
