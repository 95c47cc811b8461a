#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "recorder/BarControls.h"
#include "recorder/RecorderControlBar.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecorderWindow.h"
#include "studio/StudioSession.h"
#include "studio/StudioView.h"
#include "support/PrivateSoundServer.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"
#include "ui/AppAlert.h"

using namespace tarnix;

// The sound server of the test's own dies while the window records a display with the microphone
// and system audio: the bar's message line says so at once, and the Studio again afterwards.
TEST(SoundServerNotice, theBarSaysAtOnceThatTheSoundIsMissingAndTheStudioSaysItAgain)
{
    ASSERT_TRUE(test::requireDisplay());
    test::ensureWidgetApplication();
    test::PrivateSoundServer server;
    ASSERT_TRUE(server.start());
    test::TemporaryFolder folder;
    auto previous = AppAlert::setPresenter([](const AppAlert::Request&) { return 0; });
    auto session = test::makeTestSession(folder.path());
    {
        RecorderWindow window(*session);
        window.setChecksForUpdatesAtLaunch(false);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        RecorderControlBar& bar = *window.controlBar();
        ASSERT_TRUE(test::processEventsUntil(20, [&] {
            return !session->sourceProvider().displays().empty() && !session->micProvider().devices().empty();
        }));
        session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));
        window.model().selectMicrophone("tarnix_mic");
        window.model().toggleSystemAudio();
        ASSERT_FALSE(session->micProvider().errorMessage()) << *session->micProvider().errorMessage();

        QTest::mouseClick(bar.recordButton(), Qt::LeftButton);
        ASSERT_TRUE(test::processEventsUntil(30, [&] {
            return session->isRecording() && !window.model().isBusy() && session->recorder().appendedFrameCount() > 30;
        })) << session->recorder().errorMessage().value_or("");
        server.kill();
        ASSERT_TRUE(test::processEventsUntil(15, [&] {
            return bar.errorText().startsWith("System audio and the microphone are missing since 0:0");
        })) << bar.errorText().toStdString();
        EXPECT_TRUE(session->isRecording()) << "the recording goes on";
        const int framesAtNotice = session->recorder().appendedFrameCount();
        ASSERT_TRUE(test::processEventsUntil(30, [&] { return session->recorder().appendedFrameCount() > framesAtNotice + 90; }));
        test::saveScreenshot(window.grab().toImage(), QStringLiteral("recorder-bar-sound-missing"));

        QTest::mouseClick(bar.recordButton(), Qt::LeftButton);
        ASSERT_TRUE(test::processEventsUntil(30, [&] { return window.mode() == WindowMode::studio; }));
        auto* studio = qobject_cast<StudioView*>(window.studioWidget());
        ASSERT_TRUE(studio);
        ASSERT_TRUE(studio->session().messages().editNotice());
        const QString notice = *studio->session().messages().editNotice();
        EXPECT_TRUE(notice.startsWith("System audio and the microphone are missing from 0:0")) << notice.toStdString();
        EXPECT_TRUE(notice.contains("to the end")) << notice.toStdString();
        ASSERT_TRUE(test::processEventsUntil(30, [&] { return studio->session().playback().isLoaded(); }));
        EXPECT_TRUE(studio->editNoticeLabel()->isVisibleTo(studio));
        test::saveScreenshot(window.grab().toImage(), QStringLiteral("studio-sound-missing"));
    }
    session.reset();
    AppAlert::setPresenter(std::move(previous));
}
