#include <gtest/gtest.h>

#include <QProcess>

#include "document/DocumentCoding.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

// `tarnix-cli record --area`: only the rectangle is in the movie, at even sides, and the pointer's
// clicks land where they were inside it.

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun finish(QProcess& cli)
{
    CliRun run;
    if (!cli.waitForFinished(60000)) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = cli.readAllStandardOutput().toStdString();
    run.err = cli.readAllStandardError().toStdString();
    return run;
}

CliRun runCli(const QStringList& arguments)
{
    QProcess cli;
    cli.start(TARNIX_CLI, arguments);
    return finish(cli);
}

std::string field(const std::string& out, const std::string& name)
{
    const auto at = out.find(name + ": ");
    if (at == std::string::npos)
        return {};
    const auto start = at + name.size() + 2;
    return out.substr(start, out.find('\n', start) - start);
}

// The primary display's identifier (Xvfb's one screen, at the root's origin).
std::string primaryDisplay()
{
    const std::string out = runCli({"sources"}).out;
    const auto at = out.find("display-");
    return at == std::string::npos ? std::string() : out.substr(at, out.find(' ', at) - at);
}

} // namespace

TEST(AreaRecordCommand, recordsOnlyTheAreaWithEvenSidesAndPlacesClicksInIt)
{
    if (!test::requireDisplay())
        return;
    test::ensureApplication();
    ASSERT_EQ(test::shell("xsetroot -solid '#2040c0'"), 0);
    test::TestWindow window("Tarnix area target", "c08030", QRect(400, 250, 240, 180), 0);
    ASSERT_TRUE(window.isReady());
    const std::string display = primaryDisplay();
    ASSERT_FALSE(display.empty());
    test::TemporaryFolder folder;

    // 601 × 401 asked: the encoder gets 600 × 400.
    QProcess cli;
    cli.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(display), "--area", "300,150,601,401",
                           "--duration", "4", "--out", QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(cli.waitForStarted(10000));
    std::string err;
    ASSERT_TRUE(test::processEventsUntil(60, [&] {
        err += cli.readAllStandardError().toStdString();
        return err.find("recording ") != std::string::npos || cli.state() != QProcess::Running;
    }));
    EXPECT_NE(err.find("area 300,150,600,400"), std::string::npos) << err;
    // A click on the window, 220 × 140 pixels into the area.
    ASSERT_EQ(test::shell("xdotool mousemove 520 290 click 1"), 0);
    CliRun run = finish(cli);
    run.err = err + run.err;
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::string movie = field(run.out, "movie");
    const std::string document = field(run.out, "document");
    ASSERT_FALSE(movie.empty() || document.empty()) << run.out;
    const auto info = test::probe(movie);
    EXPECT_EQ(info.width, 600);
    EXPECT_EQ(info.height, 400);

    const auto timeline = decodeRecordingTimeline(test::readFile(document));
    EXPECT_DOUBLE_EQ(timeline.captureFrame.width, 600);
    EXPECT_DOUBLE_EQ(timeline.captureFrame.height, 400);
    ASSERT_FALSE(timeline.clickEvents.empty()) << "the click was not recorded";
    const Point click = timeline.normalizedPoint(timeline.clickEvents.front().point);
    EXPECT_NEAR(click.x, 220.0 / 600, 0.01);
    EXPECT_NEAR(click.y, 140.0 / 400, 0.01);

    // The picture is the area: the window at (100, 100) within it, the desktop around it.
    QImage last;
    test::forEachVideoFrame(movie, [&](const QImage& frame, double) { last = frame.copy(); });
    ASSERT_FALSE(last.isNull());
    EXPECT_TRUE(test::similarColour(last.pixel(210, 230), qRgb(0xc0, 0x80, 0x30), 20))
        << std::hex << last.pixel(210, 230);
    EXPECT_TRUE(test::similarColour(last.pixel(30, 30), qRgb(0x20, 0x40, 0xc0), 20)) << std::hex << last.pixel(30, 30);
}

TEST(AreaRecordCommand, anAreaThatIsWrongOrOffTheDisplayIsRefusedWithAReason)
{
    if (!test::requireDisplay())
        return;
    test::ensureApplication();
    const std::string display = primaryDisplay();
    ASSERT_FALSE(display.empty());
    const QString id = QString::fromStdString(display);

    const auto off = runCli({"record", "--source", id, "--area", "1800,1000,400,300", "--duration", "1"});
    EXPECT_EQ(off.exitCode, 1);
    EXPECT_NE(off.err.find("doesn't fit on " + display + ", which is 1920x1080 pixels"), std::string::npos)
        << off.err;

    for (const char* wrong : {"10,10,300", "a,b,c,d", "-5,0,100,100", "0,0,1,100"}) {
        const auto refused = runCli({"record", "--source", id, "--area", wrong, "--duration", "1"});
        EXPECT_EQ(refused.exitCode, 2) << wrong << ": " << refused.err;
        EXPECT_NE(refused.err.find("--area"), std::string::npos) << refused.err;
    }

    test::TestWindow window("Tarnix area window source", "308030", QRect(100, 100, 200, 150), 0);
    ASSERT_TRUE(window.isReady());
    const auto onWindow = runCli({"record", "--source", QString::fromStdString("window-" + std::to_string(window.windowID())),
                                  "--area", "0,0,100,100", "--duration", "1"});
    EXPECT_EQ(onWindow.exitCode, 1);
    EXPECT_NE(onWindow.err.find("--area needs a display"), std::string::npos) << onWindow.err;
}
