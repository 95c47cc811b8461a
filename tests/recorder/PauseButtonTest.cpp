#include <QAction>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "capture/CaptureClock.h"
#include "recorder/BarControls.h"
#include "recorder/BarParts.h"
#include "recorder/RecorderWindowFixture.h"
#include "recorder/RecordingTrayIcon.h"
#include "recorder/SourceKindPicker.h"

using namespace tarnix;

namespace {

using PauseButtonTest = test::RecorderWindowFixture;

} // namespace

// The bar's Pause button: beside Stop while recording, "Resume" and "Paused" while paused, and the
// clock counts only what was recorded.
TEST_F(PauseButtonTest, PausesAndResumesWithTheClockStandingStillInBetween)
{
    showWindow();
    IconButton* pause = bar().pauseButton();
    EXPECT_FALSE(pause->isVisible()) << "nothing to pause before recording";
    window->model().togglePause();
    EXPECT_FALSE(session->isPaused());

    ASSERT_TRUE(bar().sourcePicker()->menu(SourceKind::display));
    window->model().selectSource(displayIdentifier(session->sourceProvider().displays().front()));
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    ASSERT_TRUE(waitFor(20, [&] { return session->recorder().appendedFrameCount() > 10; }));
    EXPECT_TRUE(pause->isVisible());
    EXPECT_EQ(pause->accessibleName(), QStringLiteral("Pause"));
    EXPECT_EQ(pause->toolTip(), QStringLiteral("Pause"));
    // Pause sits between the overflow menu and Stop, inside the capsule.
    EXPECT_LT(bar().moreButton()->geometry().right(), pause->geometry().left());
    EXPECT_LT(pause->geometry().right(), bar().recordButton()->geometry().left());
    auto* status = window->findChild<RecordingStatus*>();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->accessibleName(), QStringLiteral("Recording"));

    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_TRUE(session->isPaused());
    EXPECT_EQ(pause->accessibleName(), QStringLiteral("Resume"));
    EXPECT_EQ(pause->iconName(), QStringLiteral("play-fill"));
    EXPECT_EQ(status->accessibleName(), QStringLiteral("Paused"));
    EXPECT_TRUE(status->isPaused());
    const double pausedClock = window->model().elapsedSeconds();
    const double pausedAt = CaptureClock::now();
    ASSERT_TRUE(waitFor(5, [&] { return CaptureClock::now() >= pausedAt + 0.6; }));
    EXPECT_DOUBLE_EQ(window->model().elapsedSeconds(), pausedClock) << "the clock stands while paused";
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-paused"));

    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_FALSE(session->isPaused());
    EXPECT_EQ(pause->accessibleName(), QStringLiteral("Pause"));
    EXPECT_EQ(status->accessibleName(), QStringLiteral("Recording"));
    ASSERT_TRUE(waitFor(5, [&] { return window->model().elapsedSeconds() >= pausedClock + 0.3; }));
    EXPECT_LT(window->model().elapsedSeconds(), CaptureClock::now() - pausedAt) << "the pause is not counted";
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-resumed"));

    // The tray's menu pauses too (the bar is off screen while a portal desktop records a display),
    // and the bar follows it. Paused so, then stopped: the Studio opens as after any stop.
    QAction* trayPause = window->trayIcon()->menu()->actions().value(1);
    ASSERT_TRUE(trayPause) << "after Stop Recording";
    EXPECT_EQ(trayPause->text(), QStringLiteral("Pause Recording"));
    trayPause->trigger();
    EXPECT_TRUE(session->isPaused());
    EXPECT_EQ(trayPause->text(), QStringLiteral("Resume Recording"));
    EXPECT_EQ(pause->accessibleName(), QStringLiteral("Resume"));
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return window->mode() == WindowMode::studio; }));
    EXPECT_FALSE(session->isPaused());
    ASSERT_TRUE(session->completedTimeline());
}
