#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "capture/DeviceWatch.h"
#include "recorder/BarControls.h"
#include "recorder/RecorderWindowFixture.h"
#include "recorder/SourceKindPicker.h"
#include "support/PrivateSoundServer.h"

using namespace tarnix;

namespace {

using test::menuAction;

// A microphone plugged into the test services' sound server while the real bar is open.
class DeviceMenusTest : public test::RecorderWindowFixture {
protected:
    void SetUp() override
    {
        test::RecorderWindowFixture::SetUp();
        if (IsSkipped() || !test::requireSoundServer())
            GTEST_SKIP();
        showWindow();
        ASSERT_TRUE(waitFor(10, [&] { return window->model().deviceWatch() &&
                                             window->model().deviceWatch()->watchesMicrophones(); }));
    }

    // Whether the menu lists the headset now, as it is (without filling it again).
    bool menuListsHeadset() const
    {
        for (QAction* action : bar().microphoneMenu()->actions())
            if (action->text() == QStringLiteral("Test-Headset"))
                return true;
        return false;
    }
    RecorderControlBar& bar() const { return *window->controlBar(); }

    test::PluggedMicrophone headset{"tarnix_test_headset", "Test-Headset"};
};

} // namespace

TEST_F(DeviceMenusTest, aMicrophonePluggedInOrOutShowsInTheOpenMenuAndTheSelectionFollowsIt)
{
    // The menu is open when the headset comes: it is listed there without closing it.
    QMenu* menu = bar().microphoneMenu();
    menu->popup(bar().microphoneButton()->mapToGlobal(bar().microphoneButton()->rect().bottomLeft()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    EXPECT_FALSE(menuListsHeadset());
    ASSERT_TRUE(headset.plug());
    EXPECT_TRUE(waitFor(5, [&] { return menuListsHeadset(); }));
    menu->close();

    QAction* choice = menuAction(menu, QStringLiteral("Test-Headset"));
    ASSERT_TRUE(choice);
    choice->trigger();
    EXPECT_EQ(bar().microphoneButton()->text(), QStringLiteral("Test-Headset"));
    EXPECT_TRUE(session->micRecorder().hasInput());

    // Unplugged: the pill falls back, the microphone is let go, and the message line says why.
    headset.unplug();
    EXPECT_TRUE(waitFor(5, [&] { return bar().microphoneButton()->text() == QStringLiteral("No Microphone"); }));
    EXPECT_FALSE(menuAction(menu, QStringLiteral("Test-Headset")));
    EXPECT_FALSE(session->micRecorder().hasInput());
    EXPECT_TRUE(waitFor(2, [&] { return bar().errorText().contains(QStringLiteral("“Test-Headset” is no longer connected")); }))
        << bar().errorText().toStdString();
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-microphone-unplugged"));

    // Plugged in again: it is the microphone again, and the message goes.
    ASSERT_TRUE(headset.plug());
    EXPECT_TRUE(waitFor(5, [&] { return bar().microphoneButton()->text() == QStringLiteral("Test-Headset"); }));
    EXPECT_TRUE(session->micRecorder().hasInput());
    EXPECT_EQ(bar().errorText(), QString());

    // Gone again, then another microphone chosen: the message is over too.
    headset.unplug();
    ASSERT_TRUE(waitFor(5, [&] { return !bar().errorText().isEmpty(); }));
    window->model().selectMicrophone("tarnix_mic");
    EXPECT_EQ(bar().errorText(), QString());
    EXPECT_TRUE(session->micRecorder().hasInput());
}

TEST_F(DeviceMenusTest, whileRecordingNothingChangesUntilTheRecordingStops)
{
    ASSERT_TRUE(headset.plug());
    ASSERT_TRUE(waitFor(5, [&] { return menuAction(bar().microphoneMenu(), QStringLiteral("Test-Headset")); }));
    window->model().selectMicrophone("tarnix_test_headset");
    QAction* display = menuAction(bar().sourcePicker()->menu(SourceKind::display), QStringLiteral("Entire Display"));
    ASSERT_TRUE(display);
    display->trigger();
    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(20, [&] { return session->isRecording() && !window->model().isBusy(); }));
    ASSERT_TRUE(session->micRecorder().isRecording());

    // The watch sees it go; the lists and the microphone stay as they were.
    bool seen = false;
    QObject::connect(window->model().deviceWatch(), &DeviceWatch::microphonesChanged, [&] { seen = true; });
    headset.unplug();
    ASSERT_TRUE(waitFor(5, [&] { return seen; }));
    test::processEvents(0); // whatever the signal queued
    const auto items = window->model().microphoneItems();
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const DeviceItem& item) { return item.label == "Test-Headset"; }));
    EXPECT_TRUE(session->micRecorder().isRecording());
    EXPECT_EQ(window->model().microphonePill().text, "Test-Headset");

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return session->completedTimeline().has_value() && !window->model().isBusy(); }));
    EXPECT_TRUE(session->completedTimeline()->microphoneURL.has_value()) << "what was recorded is kept";
    // Now the list is read again.
    const auto after = window->model().microphoneItems();
    EXPECT_TRUE(std::none_of(after.begin(), after.end(), [](const DeviceItem& item) { return item.label == "Test-Headset"; }));
}
