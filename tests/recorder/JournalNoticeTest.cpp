#include "recorder/BarControls.h"
#include "recorder/RecorderWindowFixture.h"

using namespace tarnix;

namespace {

class JournalNotice : public test::RecorderWindowFixture {};

} // namespace

// The disk under the recording's journal fills while the window records a display: the bar's
// message line says so in words, once, and the recording goes on.
TEST_F(JournalNotice, theBarSaysTheSafetyCopyCantBeWrittenAndTheRecordingGoesOn)
{
    ASSERT_NO_FATAL_FAILURE(showWindow());
    ASSERT_TRUE(waitFor(20, [&] { return !session->sourceProvider().displays().empty(); }));
    session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] {
        return session->isRecording() && !window->model().isBusy() && session->recorder().appendedFrameCount() > 10;
    })) << session->recorder().errorMessage().value_or("");
    ASSERT_TRUE(test::fillDiskUnder(".tarnix-journal"));
    ASSERT_TRUE(waitFor(15, [&] {
        test::shell("xdotool mousemove_relative -- 4 2 >/dev/null 2>&1");
        return bar().errorText().contains("safety copy can't be written (No space left on device)");
    })) << bar().errorText().toStdString();
    const int framesAtNotice = session->recorder().appendedFrameCount();
    ASSERT_TRUE(waitFor(30, [&] { return session->recorder().appendedFrameCount() > framesAtNotice + 30; }));
    EXPECT_TRUE(session->isRecording()) << "the recording goes on";
    EXPECT_EQ(bar().errorText().count("safety copy"), 1) << "said once";
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-journal-failed"));

    QTest::mouseClick(bar().recordButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(30, [&] { return !session->isRecording() && session->documentURL(); }));
}
