// tarnix-cli on a Wayland desktop: the ScreenCast portal and PipeWire end to end, on a private
// headless desktop (sway, PipeWire, WirePlumber, xdg-desktop-portal-wlr) started for this
// program. A known window fills the desktop's only output; the movie must show it, on the
// recorder's frame grid although the desktop sends a picture only when something changed.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "capture/CaptureMessages.h"
#include "support/MediaProbe.h"
#include "wayland/WaylandDesktop.h"

namespace fs = std::filesystem;
using namespace tarnix::test;

namespace {

class WaylandPortal : public OnWaylandDesktop<WaylandPortal> {
public:
    static void startDesktop(WaylandDesktop& desktop)
    {
        desktop.start(TARNIX_WAYLAND_SESSION, "tarnix-wayland", {TARNIX_XDPW_SHIM});
    }

protected:
    void SetUp() override
    {
        OnWaylandDesktop::SetUp();
        fs::remove(desktop->base / "decline");
    }

    static PortalRecording record(const std::string& name, double seconds)
    {
        return recordThroughPortal(desktop->base, name, "display-0", seconds);
    }
};

TEST_F(WaylandPortal, SourcesOfferTheDesktopsOwnPicker)
{
    useSettingsFolder(desktop->base / "settings-sources");
    CliProcess cli({"sources"}, desktop->base / "sources");
    ASSERT_TRUE(cli.started());
    cli.wait();
    EXPECT_NE(cli.out().find("display-0  Choose a display…  (the desktop asks when recording starts)"),
              std::string::npos) << cli.out() << cli.err();
    // This portal shares monitors only, so there is nothing under windows or applications.
    EXPECT_NE(cli.out().find("windows:\napplications:\n"), std::string::npos) << cli.out();
}

TEST_F(WaylandPortal, RecordsTheKnownWindowOnTheFrameGridWithoutPointerSamples)
{
    useSettingsFolder(desktop->base / "settings-grid");
    const PortalRecording recording = record("grid", 3);
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    // The desktop shares no pointer position or clicks here: said once, on the command line.
    EXPECT_NE(recording.err.find(tarnix::CaptureMessages::kNoCursorShared), std::string::npos) << recording.err;
    EXPECT_NE(recording.err.find(tarnix::CaptureMessages::kNoClicksShared), std::string::npos) << recording.err;

    // The desktop sends ten pictures a second (the window's damage); the movie holds a frame at
    // every slot of its 60-per-second grid, repeating the last picture. A loaded machine may make
    // the recorder skip a few slots, so the typical spacing is what is checked.
    std::vector<double> times;
    QImage middle;
    const int frames = tarnix::test::forEachVideoFrame(*recording.movie, [&](const QImage& frame, double time) {
        times.push_back(time);
        if (times.size() == 60)
            middle = frame.copy();
    });
    ASSERT_GE(frames, 90) << "three times as many frames as the desktop sent pictures";
    EXPECT_NEAR(medianSpacing(times), 1.0 / 60, 0.2 / 60);
    ASSERT_EQ(middle.size(), QSize(1280, 720));
    const auto near = [&](QPoint at, QColor expected) {
        const QColor got = middle.pixelColor(at);
        return std::abs(got.red() - expected.red()) < 24 && std::abs(got.green() - expected.green()) < 24 &&
               std::abs(got.blue() - expected.blue()) < 24;
    };
    const QColor green(0x00, 0xc0, 0x00), blue(0x00, 0x00, 0xff);
    for (QPoint inside : {QPoint(110, 110), QPoint(200, 200), QPoint(289, 289)})
        EXPECT_TRUE(near(inside, blue)) << inside.x() << "," << inside.y();
    for (QPoint outside : {QPoint(90, 90), QPoint(310, 310), QPoint(640, 360), QPoint(1200, 100)})
        EXPECT_TRUE(near(outside, green)) << outside.x() << "," << outside.y();

    const auto document = nlohmann::json::parse(fileText(*recording.document));
    EXPECT_TRUE(document.at("cursorSamples").empty());
    EXPECT_TRUE(document.at("clickEvents").empty());
    EXPECT_EQ(document.at("captureFrame").dump(), "[[0.0,0.0],[1280.0,720.0]]");
}

TEST_F(WaylandPortal, AnAreaIsCutFromTheSharedDisplay)
{
    useSettingsFolder(desktop->base / "settings-area");
    // 301 × 301 from (50, 50): 300 × 300 for the encoder, the blue square at (50, 50) in it.
    const PortalRecording recording =
        recordThroughPortal(desktop->base, "area", "display-0", 2, {}, {"--area", "50,50,301,301"});
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    EXPECT_NE(recording.err.find("area 50,50,300,300"), std::string::npos) << recording.err;
    QImage last;
    tarnix::test::forEachVideoFrame(*recording.movie, [&](const QImage& frame, double) { last = frame.copy(); });
    ASSERT_EQ(last.size(), QSize(300, 300));
    const QColor green(0x00, 0xc0, 0x00), blue(0x00, 0x00, 0xff);
    const auto near = [&](QPoint at, QColor expected) {
        const QColor got = last.pixelColor(at);
        return std::abs(got.red() - expected.red()) < 24 && std::abs(got.green() - expected.green()) < 24 &&
               std::abs(got.blue() - expected.blue()) < 24;
    };
    for (QPoint inside : {QPoint(60, 60), QPoint(240, 240)})
        EXPECT_TRUE(near(inside, blue)) << inside.x() << "," << inside.y();
    for (QPoint outside : {QPoint(20, 20), QPoint(280, 280)})
        EXPECT_TRUE(near(outside, green)) << outside.x() << "," << outside.y();
    // The capture frame is the area, bottom-left up on the 1280 × 720 output.
    const auto document = nlohmann::json::parse(fileText(*recording.document));
    EXPECT_EQ(document.at("captureFrame").dump(), "[[50.0,370.0],[300.0,300.0]]");

    // An area beyond the desktop's output fails the start and leaves nothing.
    const PortalRecording off =
        recordThroughPortal(desktop->base, "area-off", "display-0", 1, {}, {"--area", "2000,2000,100,100"});
    EXPECT_NE(off.exitCode, 0);
    EXPECT_NE(off.err.find(tarnix::CaptureMessages::kAreaOutsideSharedDisplay), std::string::npos) << off.err;
    EXPECT_TRUE(fs::is_empty(off.folder));
}

// SIGUSR1 pauses the cast's recording and the next resumes it: the movie leaves the pause out and
// --duration counts recorded time only.
TEST_F(WaylandPortal, APauseIsLeftOutOfTheMovie)
{
    useSettingsFolder(desktop->base / "settings-pause");
    const auto started = std::chrono::steady_clock::now();
    const PortalRecording recording =
        recordThroughPortal(desktop->base, "pause", "display-0", 2, [](CliProcess& cli) {
            cli.signal(SIGUSR1);
            ASSERT_TRUE(cli.waitForError("paused at", 10)) << cli.err();
            // The pause lasts two seconds of the test's clock.
            const auto resumeAt = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (std::chrono::steady_clock::now() < resumeAt)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            cli.signal(SIGUSR1);
            ASSERT_TRUE(cli.waitForError("resumed at", 10)) << cli.err();
        });
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie) << recording.err;
    EXPECT_GE(elapsed, 4.0) << "two seconds recorded and two paused";
    std::vector<double> times;
    tarnix::test::forEachVideoFrame(*recording.movie, [&](const QImage&, double time) { times.push_back(time); });
    ASSERT_GE(times.size(), 30u);
    EXPECT_NEAR(times.back(), 2.0, 0.3) << "the pause is not in the movie";
    double step = 0;
    for (std::size_t i = 1; i < times.size(); ++i)
        step = std::max(step, times[i] - times[i - 1]);
    EXPECT_LT(step, 0.25) << "no hole where the pause was";
}

TEST_F(WaylandPortal, RestoreTokenSkipsTheSecondQuestion)
{
    useSettingsFolder(desktop->base / "settings-token");
    const fs::path asked = desktop->base / "chooser.log";
    const int before = lineCount(asked);
    const PortalRecording first = record("token-first", 1);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(lineCount(asked), before + 1) << "the first recording asks the desktop";
    EXPECT_NE(fileText(desktop->base / "settings-token/Tarnix/Tarnix.conf").find("displayRestoreToken"),
              std::string::npos);

    const PortalRecording second = record("token-second", 1);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(second.movie);
    EXPECT_EQ(lineCount(asked), before + 1) << "the second recording reuses the desktop's answer";
}

TEST_F(WaylandPortal, DeclinedRequestFailsClearlyAndLeavesNoFile)
{
    useSettingsFolder(desktop->base / "settings-declined");
    std::ofstream(desktop->base / "decline").put('\n');
    const PortalRecording recording = record("declined", 1);
    EXPECT_NE(recording.exitCode, 0);
    EXPECT_NE(recording.err.find("Failed to start recording: the screen-sharing request was"), std::string::npos)
        << recording.err;
    EXPECT_TRUE(fs::is_empty(recording.folder));
}

// Keys on a portal desktop come from the keyboards under /dev/input; where none can be read, the
// recording goes on and says so, with what would let it read them.
TEST_F(WaylandPortal, KeysThatCantBeReadAreSaidToBeNotShared)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev/input", error))
        if (entry.path().filename().string().starts_with("event") && access(entry.path().c_str(), R_OK) == 0)
            GTEST_SKIP() << "this machine's keyboards can be read: " << entry.path();
    useSettingsFolder(desktop->base / "settings-keys");
    const PortalRecording recording = recordThroughPortal(desktop->base, "keys", "display-0", 1, {}, {"--keys"});
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    const std::string said = "Keys pressed aren't recorded: keys aren't shared on this desktop";
    const auto first = recording.err.find(said);
    EXPECT_NE(first, std::string::npos) << recording.err;
    EXPECT_LT(recording.err.find("(add the user to the input group to record them)"), recording.err.find("\n", first))
        << "what to do about it, on the same line: " << recording.err;
    const auto document = nlohmann::json::parse(fileText(*recording.document));
    EXPECT_FALSE(document.contains("keyEvents"));
}

} // namespace
