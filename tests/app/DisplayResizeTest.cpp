#include <gtest/gtest.h>

#include <QProcess>

#include "document/DocumentCoding.h"
#include "support/MediaProbe.h"
#include "support/PrivateDisplay.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

// A display whose size RandR changes in the middle of a recording, on an X server of the test's
// own: the recording goes on at the new size, scaled into the movie's frame, and says so.

namespace {

std::string lineOf(const std::string& text, const std::string& prefix)
{
    const auto at = text.find(prefix);
    return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

// The first display tarnix-cli lists on `display`.
std::string firstDisplay(const QProcessEnvironment& environment)
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(TARNIX_CLI, {"sources"});
    if (!cli.waitForFinished(30000))
        return {};
    const std::string out = cli.readAllStandardOutput().toStdString();
    const auto at = out.find("display-");
    return at == std::string::npos ? std::string() : out.substr(at, out.find_first_of(" \n", at) - at);
}

} // namespace

TEST(DisplayResize, recordingGoesOnAtTheNewSizeFittedIntoTheMovieAndTheChangeIsReported)
{
    test::ensureApplication();
    test::PrivateDisplay x;
    ASSERT_TRUE(x.isReady());
    ASSERT_EQ(x.run("xsetroot -solid '#3366cc'"), 0);
    // Xvfb has one mode; a second, of another shape (5:4), to change to.
    ASSERT_EQ(x.run("xrandr --newmode 1280x1024 109.0 1280 1368 1496 1712 1024 1027 1034 1063 && "
                    "xrandr --addmode screen 1280x1024"), 0);

    test::TemporaryFolder folder;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(x.name()));
    const std::string display = firstDisplay(environment);
    ASSERT_FALSE(display.empty());
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(display), "--out",
                           QString::fromStdString(folder.path().string()), "--duration", "4"});
    ASSERT_TRUE(cli.waitForStarted(10000));
    std::string err;
    ASSERT_TRUE(test::processEventsUntil(60, [&] {
        err += cli.readAllStandardError().toStdString();
        return err.find("recording ") != std::string::npos || cli.state() != QProcess::Running;
    }));
    ASSERT_NE(err.find("recording "), std::string::npos) << err;
    ASSERT_EQ(x.run("xrandr --output screen --mode 1280x1024 --fb 1280x1024"), 0);
    // Once the recording has said so, the pointer moves to the middle of the smaller display.
    ASSERT_TRUE(test::processEventsUntil(30, [&] {
        err += cli.readAllStandardError().toStdString();
        return err.find("The display changed size") != std::string::npos || cli.state() != QProcess::Running;
    }));
    ASSERT_EQ(x.run("xdotool mousemove 639 512 && xdotool mousemove_relative 1 0"), 0);
    ASSERT_TRUE(test::processEventsUntil(60, [&] { return cli.state() == QProcess::NotRunning; }));
    const std::string out = cli.readAllStandardOutput().toStdString();
    err += cli.readAllStandardError().toStdString();
    ASSERT_EQ(cli.exitCode(), 0) << err;

    EXPECT_NE(lineOf(out, "display resized: 1280×1024 at "), "") << out;
    EXPECT_NE(lineOf(err, "The display changed size to 1280×1024 at 0:0"), "") << err;
    EXPECT_NE(lineOf(out, "dropped: "), "");

    // Before the change the picture fills the frame; after it, it sits in the middle with its
    // shape kept (1350 wide at 1080 high), black on both sides; and it never freezes. A loaded
    // machine drops frames and may take its first one only after the change, so the picture
    // before it is checked when there is one, and a freeze means a still picture for a second.
    const double resizedAt = std::stod(lineOf(out, "display resized: 1280×1024 at ").substr(31));
    const std::string movie = lineOf(out, "movie: ").substr(7);
    QImage before, last;
    double previous = 0, longestStill = 0;
    ASSERT_GT(test::forEachVideoFrame(movie, [&](const QImage& frame, double time) {
        if (time < resizedAt - 0.1)
            before = frame.copy();
        last = frame.copy();
        longestStill = std::max(longestStill, time - previous);
        previous = time;
    }), 5);
    ASSERT_EQ(last.size(), QSize(1920, 1080));
    const QRgb blue = qRgb(0x33, 0x66, 0xcc);
    if (!before.isNull()) {
        EXPECT_TRUE(test::similarColour(before.pixel(100, 540), blue));
    }
    EXPECT_TRUE(test::similarColour(last.pixel(100, 540), qRgb(0, 0, 0))) << "bars beside the picture";
    EXPECT_TRUE(test::similarColour(last.pixel(320, 540), blue));
    EXPECT_TRUE(test::similarColour(last.pixel(1600, 540), blue));
    EXPECT_TRUE(test::similarColour(last.pixel(1820, 540), qRgb(0, 0, 0)));
    EXPECT_LT(longestStill, 1.0) << "the picture froze";

    // The document knows the display's new area from the change on, and the redrawn pointer is
    // where the movie shows it: in the middle.
    const auto timeline = decodeRecordingTimeline(test::readFile(lineOf(out, "document: ").substr(10)));
    ASSERT_FALSE(timeline.captureFrameSamples.empty());
    const Rect& resized = timeline.captureFrameSamples.back().rect;
    EXPECT_EQ(resized.width, 1280);
    EXPECT_EQ(resized.height, 1024);
    ASSERT_FALSE(timeline.cursorSamples.empty());
    const CursorSample& pointer = timeline.cursorSamples.back();
    EXPECT_GE(pointer.timestamp, timeline.captureFrameSamples.back().timestamp);
    const Point middle = timeline.normalizedPoint(pointer.point, pointer.timestamp);
    EXPECT_NEAR(middle.x, 0.5, 0.01);
    EXPECT_NEAR(middle.y, 0.5, 0.01);
}
