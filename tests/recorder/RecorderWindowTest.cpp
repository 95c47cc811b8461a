#include <QAbstractButton>
#include <QLabel>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "app/DocumentFiles.h"
#include "capture/CaptureMessages.h"
#include "capture/FrameSource.h"
#include "capture/portal/CursorFeed.h"
#include "recorder/BarControls.h"
#include "recorder/BarParts.h"
#include "studio/StudioSession.h"
#include "studio/StudioView.h"
#include "recorder/RecorderControlBar.h"
#include "recorder/RecorderWindow.h"
#include "recorder/SourceKindPicker.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecorderWindowFixture.h"
#include "support/LoopbackHttpServer.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"
#include "ui/AppAlert.h"
#include "ui/DesktopEffects.h"

using namespace tarnix;

namespace {

// A fake source listing: one display, one window of "Editor", and the given applications.
ShareableContent fakeContent(std::vector<ApplicationInfo> applications)
{
    ShareableContent content;
    content.displays.push_back({77, "DP-1", QRect(0, 0, 1512, 982), true});
    WindowInfo notes;
    notes.windowID = 4242;
    notes.title = "Notes";
    notes.processID = 999999;
    notes.applicationID = "org.example.Editor";
    notes.applicationName = "Editor";
    notes.frame = QRect(10, 10, 400, 300);
    notes.isOnScreen = true;
    content.windows.push_back(notes);
    content.applications = std::move(applications);
    return content;
}

QStringList menuTexts(QMenu* menu)
{
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

using test::menuAction;

// The window with the real X and sound servers.
using RecorderWindowTest = test::RecorderWindowFixture;

} // namespace

TEST_F(RecorderWindowTest, ListsTheDisplaysOfTheRealServerWhenFirstShown)
{
    showWindow();
    ASSERT_FALSE(session->sourceProvider().displays().empty());
    const QStringList displays = menuTexts(bar().sourcePicker()->menu(SourceKind::display));
    ASSERT_FALSE(displays.isEmpty());
    EXPECT_EQ(displays.front(), QStringLiteral("Entire Display (1920×1080)"));
    EXPECT_EQ(window->mode(), WindowMode::setup);
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->height(), 96);
    EXPECT_GE(window->width(), 620);
    EXPECT_EQ(window->y(), window->screen()->availableGeometry().y() + 40);
}

TEST_F(RecorderWindowTest, SourceMenusLabelTheirItemsAndSayWhenThereAreNone)
{
    session->sourceProvider().setLister([] { return fakeContent({}); });
    showWindow();
    EXPECT_EQ(menuTexts(bar().sourcePicker()->menu(SourceKind::display)),
              QStringList{QStringLiteral("Entire Display (1512×982)")});
    EXPECT_EQ(menuTexts(bar().sourcePicker()->menu(SourceKind::window)), QStringList{QStringLiteral("Notes — Editor")});
    QMenu* apps = bar().sourcePicker()->menu(SourceKind::application);
    EXPECT_EQ(menuTexts(apps), QStringList{QStringLiteral("None available")});
    EXPECT_FALSE(apps->actions().front()->isEnabled());
}

TEST_F(RecorderWindowTest, TheHighlightFollowsTheSelectedKindWithASpring)
{
    session->sourceProvider().setLister(
        [] { return fakeContent({{"org.example.Editor", "Editor", 999999}}); });
    showWindow();
    SourceKindPicker& picker = *bar().sourcePicker();
    EXPECT_FALSE(picker.highlightPosition());

    menuAction(picker.menu(SourceKind::window), QStringLiteral("Notes"))->trigger();
    EXPECT_EQ(session->selectedSourceID(), std::optional<std::string>("window-4242"));
    EXPECT_EQ(window->model().selectedKind(), SourceKind::window);
    EXPECT_EQ(picker.highlightPosition(), 1.0); // appears in place

    menuAction(picker.menu(SourceKind::application), QStringLiteral("Editor"))->trigger();
    EXPECT_EQ(window->model().selectedKind(), SourceKind::application);
    double farthest = 0;
    ASSERT_TRUE(waitFor(3, [&] {
        farthest = std::max(farthest, *picker.highlightPosition());
        return *picker.highlightPosition() == 2.0;
    }));
    EXPECT_GT(farthest, 2.0); // it overshot on the way: a spring, not a jump
}

TEST_F(RecorderWindowTest, TheErrorLineShowsTheFirstMessageInItsOrder)
{
    showWindow();
    EXPECT_TRUE(bar().errorText().isEmpty());
    session->micProvider().setErrorMessage("mic message");
    EXPECT_EQ(bar().errorText(), QStringLiteral("mic message"));
    session->cameraProvider().setErrorMessage("camera message");
    EXPECT_EQ(bar().errorText(), QStringLiteral("camera message"));

    // A start that cannot write its file: the screen recorder's message goes before both.
    const auto blocked = folder.path() / "not-a-folder";
    { std::ofstream(blocked) << "x"; }
    session->setOutputDirectory(blocked);
    session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(20, [&] { return !window->model().isBusy(); }));
    ASSERT_TRUE(session->recorder().errorMessage());
    EXPECT_EQ(bar().errorText(), QString::fromStdString(*session->recorder().errorMessage()));
    EXPECT_FALSE(session->isRecording());
    EXPECT_EQ(window->mode(), WindowMode::setup);
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-error"));
    if (!DesktopEffects::hasCompositor()) {
        // Nothing can show through without a compositor: the window is cut to the capsule and
        // the error line, and the corners around the pill are not part of it.
        const QRegion shape = window->mask();
        EXPECT_TRUE(shape.contains(QPoint(window->width() / 2, window->height() - 11)));
        EXPECT_TRUE(shape.contains(QPoint(window->width() / 2, 36)));
        EXPECT_FALSE(shape.contains(QPoint(2, 2)));
    }

    session->sourceProvider().setLister([]() -> ShareableContent { throw std::runtime_error("no X"); });
    bar().refreshButton()->click();
    ASSERT_TRUE(session->sourceProvider().errorMessage());
    EXPECT_EQ(bar().errorText(), QString::fromStdString(*session->sourceProvider().errorMessage()));
}

TEST_F(RecorderWindowTest, EveryControlHasAnAccessibleName)
{
    showWindow();
    const auto buttons = window->findChildren<QAbstractButton*>();
    ASSERT_GE(buttons.size(), 9);
    for (QAbstractButton* button : buttons) {
        if (!button->isVisibleTo(window.get()))
            continue;
        const QString name = button->accessibleName();
        EXPECT_FALSE(name.isEmpty()) << button->metaObject()->className();
        EXPECT_TRUE(name == button->text() || name == button->toolTip()) << name.toStdString();
    }
    EXPECT_EQ(bar().recordButton()->accessibleName(), QStringLiteral("Start Recording"));
    EXPECT_TRUE(bar().refreshButton()->accessibleName().startsWith(QStringLiteral("Refresh sources — ")));
}

TEST_F(RecorderWindowTest, DevicePillsFollowTheSelections)
{
    showWindow();
    EXPECT_EQ(bar().cameraButton()->text(), QStringLiteral("No Camera"));
    EXPECT_EQ(bar().microphoneButton()->text(), QStringLiteral("No Microphone"));
    EXPECT_EQ(bar().systemAudioButton()->text(), QStringLiteral("No System Audio"));

    bar().systemAudioButton()->click();
    EXPECT_TRUE(session->includeSystemAudio());
    EXPECT_EQ(bar().systemAudioButton()->text(), QStringLiteral("System Audio"));

    // The sound server's microphone, chosen from the menu, is configured and named.
    QAction* mic = menuAction(bar().microphoneMenu(), QStringLiteral("Tarnix-test-microphone"));
    ASSERT_TRUE(mic);
    mic->trigger();
    EXPECT_EQ(session->selectedMicID(), std::optional<std::string>("tarnix_mic"));
    EXPECT_EQ(bar().microphoneButton()->text(), QStringLiteral("Tarnix-test-microphone"));
    EXPECT_TRUE(session->micRecorder().isSessionRunning());
    // The bar makes room for the longer name rather than cut the other pills short.
    PillButton* microphone = bar().microphoneButton();
    EXPECT_TRUE(waitFor(5, [&] {
        return !bar().systemAudioButton()->isTextElided() && !bar().cameraButton()->isTextElided() &&
               microphone->width() >= microphone->sizeHint().width();
    })) << "the microphone's pill is " << microphone->width() << " of " << microphone->sizeHint().width();
    menuAction(bar().microphoneMenu(), QStringLiteral("No Microphone"))->trigger();
    EXPECT_FALSE(session->selectedMicID());
    EXPECT_FALSE(session->micRecorder().isSessionRunning());

    // A camera that is not (or no longer) listed: torn down, the pill active but unnamed.
    window->model().selectCamera("/dev/video-unplugged");
    EXPECT_EQ(bar().cameraButton()->text(), QStringLiteral("No Camera"));
    EXPECT_TRUE(window->model().cameraPill().active);
    EXPECT_FALSE(session->cameraRecorder().hasInput());
    EXPECT_FALSE(session->cameraProvider().errorMessage() &&
                 session->cameraProvider().errorMessage()->starts_with("Couldn't use that camera"));
}

TEST_F(RecorderWindowTest, RecordingTwoSecondsOfADisplayLandsInStudioModeWithTheDocument)
{
    const auto proxies = folder.path() / "proxies";
    window->setScrubProxyFolder(proxies);
    showWindow();
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-idle"));
    QAction* display = menuAction(bar().sourcePicker()->menu(SourceKind::display), QStringLiteral("Entire Display"));
    ASSERT_TRUE(display);
    display->trigger();

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    EXPECT_EQ(bar().recordButton()->accessibleName(), QStringLiteral("Stop Recording"));
    QElapsedTimer clock;
    clock.start();
    test::shell("xdotool mousemove_relative 40 30 click 1 >/dev/null 2>&1");
    ASSERT_TRUE(waitFor(20, [&] { return clock.elapsed() >= 2000 && session->recorder().appendedFrameCount() > 10; }));
    EXPECT_TRUE(bar().statusText().endsWith(QStringLiteral(" clicks")));
    EXPECT_TRUE(bar().statusText().contains(QStringLiteral(" frames · ")));
    EXPECT_GT(bar().pulsePhase(), 0.0);
    // The capsule has shrunk around the status and the pause and stop buttons.
    auto* capsule = window->findChild<BarCapsule*>();
    ASSERT_TRUE(capsule);
    EXPECT_LT(capsule->width(), window->width() - 120) << capsule->width() << " of " << window->width();
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-recording"));

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return window->mode() == WindowMode::studio; }));
    ASSERT_TRUE(session->completedTimeline());
    const auto movie = *session->completedTimeline()->videoURL;
    EXPECT_TRUE(std::filesystem::exists(movie));
    ASSERT_TRUE(session->documentURL());
    EXPECT_EQ(*session->documentURL(), DocumentFiles::documentPath(movie));
    EXPECT_TRUE(std::filesystem::exists(*session->documentURL()));

    EXPECT_FALSE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window->testAttribute(Qt::WA_TranslucentBackground));
    ASSERT_TRUE(waitFor(5, [&] { return window->isVisible() && window->width() == 1180; }));
    auto* studio = qobject_cast<StudioView*>(window->studioWidget());
    ASSERT_TRUE(studio) << "studio mode shows the Studio";
    ASSERT_TRUE(waitFor(30, [&] { return studio->session().playback().isLoaded(); }));
    EXPECT_EQ(studio->session().timeline().videoURL, movie);
    // The window keeps its width and fits its height to the picture.
    EXPECT_GE(window->height(), 640);
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-studio-mode"));

    // The scrub copy of the 1920-wide recording is made in the background right after it.
    const auto screen = media::MediaAsset::load(movie).tracks(media::MediaType::video).at(0);
    const auto proxy = media::scrubProxyPath(screen, proxies);
    ASSERT_FALSE(proxy.empty());
    EXPECT_TRUE(waitFor(120, [&] { return std::filesystem::exists(proxy); }));
}

TEST_F(RecorderWindowTest, CheckForUpdatesAnswersFromTheOverflowMenu)
{
    test::LoopbackHttpServer server;
    server.setAnswer({.body = QByteArray(R"({"version":")") + TARNIX_TEST_VERSION + R"(","url":"https://example.org"})"});
    UpdatePrompt::Options options;
    options.endpoint = server.url();
    window->setUpdateOptions(options);
    showWindow();
    QAction* open = menuAction(bar().moreMenu(), QStringLiteral("Open Recording"));
    ASSERT_TRUE(open);
    EXPECT_EQ(open->text(), QStringLiteral("Open Recording…"));
    QAction* check = menuAction(bar().moreMenu(), QStringLiteral("Check for Updates"));
    ASSERT_TRUE(check);
    EXPECT_EQ(check->text(), QStringLiteral("Check for Updates…"));
    check->trigger();
    ASSERT_TRUE(waitFor(10, [&] { return !alerts.empty(); }));
    EXPECT_EQ(alerts.front().title, QStringLiteral("You're up to date"));
}

TEST_F(RecorderWindowTest, ARecordingOpenedRightAfterLaunchFillsTheWholeStudioWindow)
{
    // As `tarnix FILE.tarnix.json` does: the bar is shown, then at once the Studio.
    showWindow();
    RecordingTimeline timeline;
    timeline.videoURL = folder.path() / "missing.mp4";
    window->showStudio({timeline, std::nullopt, std::nullopt, {}});
    // The Studio's first build fails (there is no movie) after several turns of the event loop,
    // by which time the bar's deferred styling has run too.
    ASSERT_TRUE(waitFor(30, [&] { return !alerts.empty(); }));
    EXPECT_EQ(window->mode(), WindowMode::studio);
    EXPECT_EQ(window->width(), 1180);
    EXPECT_TRUE(window->mask().isEmpty()) << "the bar's shape must not cut the Studio";
}

TEST_F(RecorderWindowTest, WhatTheRecordingLacksIsSaidAgainInTheStudio)
{
    // Notices said while the bar was off the screen reach the Studio's notice line.
    showWindow();
    RecordingTimeline timeline;
    timeline.videoURL = folder.path() / "missing.mp4";
    window->showStudio({timeline, std::nullopt, std::nullopt,
                        {"This desktop doesn't share the pointer.", "Clicks weren't recorded."}});
    auto* studio = window->findChild<StudioView*>();
    ASSERT_TRUE(studio);
    ASSERT_TRUE(studio->session().messages().editNotice());
    EXPECT_EQ(*studio->session().messages().editNotice(),
              QStringLiteral("This desktop doesn't share the pointer. Clicks weren't recorded."));
    EXPECT_TRUE(studio->editNoticeLabel()->isVisibleTo(studio));
}

TEST_F(RecorderWindowTest, ARecordedWindowThatClosesOpensTheStudioAndSaysWhy)
{
    showWindow();
    auto recorded = std::make_unique<test::TestWindow>("Tarnix bar closing window", "c08030",
                                                       QRect(300, 300, 320, 240), 0);
    ASSERT_TRUE(recorded->isReady());
    session->sourceProvider().refresh();
    session->setSelectedSourceID("window-" + std::to_string(recorded->windowID()));
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && session->recorder().appendedFrameCount() > 10; }))
        << session->recorder().errorMessage().value_or("");
    recorded.reset();
    ASSERT_TRUE(waitFor(30, [&] { return window->mode() == WindowMode::studio; }));
    auto* studio = qobject_cast<StudioView*>(window->studioWidget());
    ASSERT_TRUE(studio);
    ASSERT_TRUE(studio->session().messages().editNotice());
    EXPECT_EQ(studio->session().messages().editNotice()->toStdString(),
              CaptureMessages::captureStopped(CaptureMessages::kRecordedWindowClosed));
    ASSERT_TRUE(waitFor(30, [&] { return studio->session().playback().isLoaded(); }));
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-studio-window-closed"));
}

TEST_F(RecorderWindowTest, TheSourceMenusListWindowsOpenedAfterTheBar)
{
    showWindow();
    const QString title = QStringLiteral("Tarnix window opened late");
    SourceKindPicker& picker = *bar().sourcePicker();
    const QStringList appsBefore = menuTexts(picker.menu(SourceKind::application));
    EXPECT_FALSE(menuTexts(picker.menu(SourceKind::window)).join('\n').contains(title));

    test::TestWindow late(title.toStdString(), "30a050", QRect(300, 400, 320, 200), 0);
    ASSERT_TRUE(late.isReady());
    // No press of refresh: opening a menu reads the X server again.
    const QStringList windows = menuTexts(picker.menu(SourceKind::window));
    EXPECT_TRUE(windows.join('\n').contains(title)) << windows.join(" | ").toStdString();
    // Its application is new in the App menu too.
    const QStringList appsAfter = menuTexts(picker.menu(SourceKind::application));
    const bool newApplication = std::any_of(appsAfter.begin(), appsAfter.end(), [&](const QString& app) {
        return !appsBefore.contains(app) && app != QStringLiteral("None available");
    });
    EXPECT_TRUE(newApplication) << appsAfter.join(" | ").toStdString();
}

TEST_F(RecorderWindowTest, QuittingWhileARecordingStartsWaitsForTheStartThenSavesTheRecording)
{
    // The start is held where a desktop's picker would hold it (the portal), until released.
    std::function<void()> release;
    session->recorder().setFrameSourceOpener(
        [&](const CaptureSource& source, const std::vector<WindowInfo>& own, std::function<void(OpenedFrameSource)> done) {
            release = [source, own, done] {
                frameSourceOpener(std::make_shared<portal::CursorFeed>())(source, own, done);
            };
        });
    showWindow();
    window->model().selectSource(displayIdentifier(session->sourceProvider().displays().front()));
    window->model().selectMicrophone("tarnix_mic");
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(release && window->model().isBusy());

    QAction* quit = menuAction(bar().moreMenu(), QStringLiteral("Quit Tarnix"));
    ASSERT_TRUE(quit);
    quit->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible()) << "the close waits for the start";
    release();
    ASSERT_TRUE(waitFor(60, [&] { return !window->isVisible(); }));

    EXPECT_FALSE(session->isRecording());
    EXPECT_EQ(window->mode(), WindowMode::setup) << "quitting does not open the Studio";
    ASSERT_TRUE(session->completedTimeline()) << "the started recording was stopped and assembled";
    EXPECT_TRUE(std::filesystem::exists(*session->completedTimeline()->videoURL));
    ASSERT_TRUE(session->completedTimeline()->microphoneURL) << "the microphone of the start kept recording";
    EXPECT_TRUE(std::filesystem::exists(*session->completedTimeline()->microphoneURL));
    ASSERT_TRUE(session->documentURL());
    EXPECT_TRUE(std::filesystem::exists(*session->documentURL()));
    int movies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        movies += entry.path().extension() == ".mp4" ? 1 : 0;
    EXPECT_EQ(movies, 1) << "the close was taken for a second start";
}
