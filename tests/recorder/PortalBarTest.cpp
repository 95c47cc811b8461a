// The bar on a desktop that shares through the portal: what it offers, what it says once, and
// that it leaves the screen while a display is recorded (the portal cannot leave it out).

#include <QLabel>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "capture/CaptureMessages.h"
#include "recorder/BarControls.h"
#include "recorder/BarParts.h"
#include "recorder/RecorderControlBar.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecorderWindow.h"
#include "recorder/RecordingTrayIcon.h"
#include "recorder/SourceKindPicker.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"
#include "support/StillFrameSource.h"

using namespace tarnix;

namespace {

class PortalBar : public testing::Test {
protected:
    void SetUp() override
    {
        test::ensureWidgetApplication();
        session = test::makeTestSession(folder.path());
        session->sourceProvider().usePortal([] { return portalSourceLists(false); });
        session->sourceProvider().refresh();
        session->recorder().setFrameSourceOpener(desktop.opener());
    }

    // Presses record (or stop) and waits until the press has been carried out.
    void press(ControlBarModel& model)
    {
        model.toggleRecording();
        ASSERT_TRUE(test::processEventsUntil(30, [&] { return !model.isBusy(); }));
    }

    test::TemporaryFolder folder;
    test::FakePortalDesktop desktop;
    std::unique_ptr<RecordingSession> session;
};

} // namespace

TEST_F(PortalBar, OffersTheDesktopsPickerAndSaysWhatItDoesNotShareOnlyOnce)
{
    ControlBarModel model(*session);
    EXPECT_FALSE(model.offersKind(SourceKind::application));
    EXPECT_TRUE(model.offersKind(SourceKind::display));
    EXPECT_EQ(model.sourceItems(SourceKind::display),
              (std::vector<SourceItem>{{"display-0", "Choose a display…"}}));
    EXPECT_TRUE(model.sourceItems(SourceKind::window).empty()) << "this portal shares no windows";

    model.selectSource("display-0");
    model.addNoticeWhileHidden(CaptureMessages::kNoStopShortcut);
    EXPECT_FALSE(model.hidesWhileRecording());
    model.toggleRecording();
    // From the press on, while the desktop is still answering, the bar is to leave the screen.
    EXPECT_TRUE(model.hidesWhileRecording());
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return !model.isBusy(); }));
    ASSERT_TRUE(model.isRecording()) << model.currentError().value_or("");
    EXPECT_TRUE(model.hidesWhileRecording());
    const std::string told = model.currentError().value_or("");
    EXPECT_NE(told.find(CaptureMessages::kNoCursorShared), std::string::npos) << told;
    EXPECT_NE(told.find(CaptureMessages::kNoClicksShared), std::string::npos) << told;
    EXPECT_NE(told.find(CaptureMessages::kNoStopShortcut), std::string::npos) << told;
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return session->recorder().appendedFrameCount() > 2; }));
    press(model);
    EXPECT_FALSE(model.hidesWhileRecording());

    // The second recording of the run does not say it again.
    press(model);
    ASSERT_TRUE(model.isRecording());
    EXPECT_FALSE(model.currentError()) << *model.currentError();
    press(model);

    // A real failure still comes first.
    desktop.refuses = true;
    press(model);
    EXPECT_FALSE(model.isRecording());
    EXPECT_EQ(model.currentError(),
              std::optional<std::string>("Failed to start recording: the screen-sharing request was cancelled"));
    EXPECT_FALSE(model.hidesWhileRecording()) << "a refused start brings the bar back";
}

TEST_F(PortalBar, TheBarHasNoAppKindAndLeavesTheScreenWhileADisplayIsRecorded)
{
    if (!test::requireDisplay())
        GTEST_SKIP();
    RecorderWindow window(*session);
    window.setChecksForUpdatesAtLaunch(false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SourceKindPicker* picker = window.controlBar()->sourcePicker();
    EXPECT_EQ(picker->button(SourceKind::application), nullptr);
    // Display, Window and Area: an area is cut from the display the desktop shares.
    EXPECT_EQ(picker->width(), 3 * SourceKindPicker::buttonSize().width());
    ASSERT_TRUE(picker->button(SourceKind::area));
    emit picker->menu(SourceKind::area)->aboutToShow();
    ASSERT_EQ(picker->menu(SourceKind::area)->actions().size(), 1);
    EXPECT_EQ(picker->menu(SourceKind::area)->actions().front()->text(), QStringLiteral("Choose an area…"));
    QMenu* displays = picker->menu(SourceKind::display);
    emit displays->aboutToShow();
    ASSERT_EQ(displays->actions().size(), 1);
    EXPECT_EQ(displays->actions().front()->text(), QStringLiteral("Choose a display…"));
    displays->actions().front()->trigger();
    test::saveScreenshot(window.grab().toImage(), QStringLiteral("recorder-bar-portal"));

    QTest::mouseClick(window.controlBar()->recordButton(), Qt::LeftButton);
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return session->isRecording() && !window.model().isBusy(); }));
    // Without a tray to stop from, the bar must stay where the user can reach it.
    const bool tray = RecordingTrayIcon::isAvailable();
    EXPECT_EQ(window.isVisible(), !tray);
    EXPECT_EQ(window.trayIcon()->isVisible(), tray);
    if (!tray)
        test::saveScreenshot(window.grab().toImage(), QStringLiteral("recorder-bar-portal-notice"));
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return session->recorder().appendedFrameCount() > 2; }));

    // The tray's "Stop Recording" stops it, and the finished recording opens in the Studio.
    QAction* stop = window.trayIcon()->menu()->actions().front();
    EXPECT_EQ(stop->text(), QStringLiteral("Stop Recording"));
    stop->trigger();
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return window.mode() == WindowMode::studio; }));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.trayIcon()->isVisible());
}

TEST_F(PortalBar, NoticesAreEachWholeOnALineAndTheStopHintComesBeforeTheBarHides)
{
    ControlBarModel model(*session);
    model.setHiddenBarStopHint(std::string(CaptureMessages::kStopFromSharingIndicator));
    EXPECT_FALSE(model.currentError()) << "nothing selected: no recording would hide the bar";
    model.selectSource("display-0");
    EXPECT_EQ(model.currentError(), std::optional<std::string>(CaptureMessages::kStopFromSharingIndicator));

    press(model);
    ASSERT_TRUE(model.isRecording());
    const std::string bothWhole =
        std::string(CaptureMessages::kNoCursorShared) + "\n" + CaptureMessages::kNoClicksShared;
    EXPECT_EQ(model.currentError(), std::optional<std::string>(bothWhole));
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return session->recorder().appendedFrameCount() > 2; }));
    press(model);
    EXPECT_EQ(model.currentError(), std::optional<std::string>(bothWhole)) << "the notices stay until the next start";
}

TEST_F(PortalBar, OnADesktopWithASharingIndicatorItsStopFinishesTheRecordingIntoTheStudio)
{
    if (!test::requireDisplay())
        GTEST_SKIP();
    if (RecordingTrayIcon::isAvailable())
        GTEST_SKIP() << "this desktop has a tray: the bar would hide for it anyway";
    const QByteArray desktopBefore = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    RecorderWindow window(*session);
    qputenv("XDG_CURRENT_DESKTOP", desktopBefore);
    window.setChecksForUpdatesAtLaunch(false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.model().selectSource("display-0");
    EXPECT_EQ(window.controlBar()->findChild<ErrorLine*>()->message(),
              QString::fromUtf8(CaptureMessages::kStopFromSharingIndicator));
    test::saveScreenshot(window.grab().toImage(), QStringLiteral("recorder-bar-gnome-hint"));

    QTest::mouseClick(window.controlBar()->recordButton(), Qt::LeftButton);
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return session->isRecording() && !window.model().isBusy(); }));
    EXPECT_FALSE(window.isVisible()) << "the desktop's indicator stops it: the bar leaves the picture";
    EXPECT_FALSE(window.trayIcon()->isVisible());
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return session->recorder().appendedFrameCount() > 2; }));

    *desktop.gone = true; // "Stop" in the desktop's screen-sharing indicator
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return window.mode() == WindowMode::studio; }));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(session->recorder().errorMessage());
    ASSERT_TRUE(session->documentURL()) << session->documentError().value_or("");
    EXPECT_TRUE(std::filesystem::exists(*session->documentURL()));
    auto* notice = window.studioWidget()->findChild<QLabel*>(QStringLiteral("editNotice"));
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->text().contains(QString::fromUtf8(CaptureMessages::kDesktopEndedSharing))) << notice->text().toStdString();
    EXPECT_TRUE(notice->text().contains(QString::fromUtf8(CaptureMessages::kNoCursorShared)))
        << "what the hidden bar said is repeated";
}

TEST_F(PortalBar, APointerTheDesktopPromisedButNeverSentIsSaidAtTheStop)
{
    desktop.sharesPointer = true;
    ControlBarModel model(*session);
    model.selectSource("display-0");
    press(model);
    ASSERT_TRUE(model.isRecording());
    EXPECT_FALSE(model.currentError()) << "nothing is missing yet";
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return session->recorder().appendedFrameCount() > 2; }));
    press(model);
    ASSERT_TRUE(session->completedTimeline());
    EXPECT_TRUE(session->completedTimeline()->cursorSamples.empty());
    EXPECT_EQ(session->stopNotices(), std::vector<std::string>{CaptureMessages::kNoCursorPositionsArrived});

    // A desktop that never offered the pointer has said so at the start already.
    desktop.sharesPointer = false;
    press(model);
    press(model);
    EXPECT_TRUE(session->stopNotices().empty());
}
