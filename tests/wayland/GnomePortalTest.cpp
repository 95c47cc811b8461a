// tarnix-cli on a GNOME desktop: mutter's screen casts through xdg-desktop-portal-gnome, on a
// private headless desktop (gnome-session.sh) started for this program. Its cursor comes as
// metadata beside the pictures, so the pointer moved through mutter's remote-desktop API must
// become the document's cursor path; and the desktop may end a cast by itself.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <csignal>
#include <numbers>
#include <set>
#include <thread>

#include "capture/CaptureMessages.h"
#include "support/MediaProbe.h"
#include "wayland/WaylandDesktop.h"

namespace fs = std::filesystem;
using namespace tarnix::test;
namespace messages = tarnix::CaptureMessages;

namespace {

// Runs gnome_desktop.py with `arguments` and waits for it (it ends by itself).
int desktopTool(const QStringList& arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start("/usr/bin/python3", QStringList{TARNIX_GNOME_DESKTOP} + arguments);
    const bool finished = tool.waitForFinished(60000);
    EXPECT_TRUE(finished && tool.exitCode() == 0) << tool.readAll().toStdString();
    return finished ? tool.exitCode() : -1;
}

// Waits until tarnix-cli's standard error holds `text` `count` times; false after `seconds`.
bool waitForSaid(CliProcess& cli, const std::string& text, int count, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string err = cli.err();
        int found = 0;
        for (auto at = err.find(text); at != std::string::npos; at = err.find(text, at + 1))
            ++found;
        if (found >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The recorded seconds the last "paused at 1.23 s recorded" line of tarnix-cli names.
double lastPausedAt(const std::string& err)
{
    const std::string text = "paused at ";
    const auto at = err.rfind(text);
    return at == std::string::npos ? -1 : std::stod(err.substr(at + text.size()));
}

// Whether the picture at `at` has the colour `expected`, give or take what the encoder changes.
bool colourNear(const QImage& picture, QPoint at, QColor expected)
{
    const QColor got = picture.pixelColor(at);
    return std::abs(got.red() - expected.red()) < 24 && std::abs(got.green() - expected.green()) < 24 &&
           std::abs(got.blue() - expected.blue()) < 24;
}

// The bounding box of the known window's blue square in a picture of the monitor.
QRect blueSquareIn(const QImage& picture)
{
    QRect box;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (colourNear(picture, {x, y}, QColor(0, 0, 0xff)))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Waits for the recording's movie to hold some fragments.
bool waitForMovieBytes(const fs::path& folder, std::uintmax_t bytes, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".mp4" && entry.file_size() >= bytes)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

class GnomePortal : public OnWaylandDesktop<GnomePortal> {
public:
    static void startDesktop(WaylandDesktop& desktop)
    {
        desktop.start(TARNIX_GNOME_SESSION, "tarnix-gnome", {TARNIX_MUTTER_SHIM});
    }

protected:
    // A settings folder holding the desktop's restore tokens for the display and the known
    // window, as a user who has answered GNOME's question once has: no dialog opens.
    void useSettingsWithTokens(const std::string& name)
    {
        const fs::path folder = desktop->base / name;
        useSettingsFolder(folder);
        fs::create_directories(folder / "Tarnix");
        std::ofstream(folder / "Tarnix/Tarnix.conf")
            << "[ScreenCast]\ndisplayRestoreToken=" << fileText(desktop->base / "display-token")
            << "windowRestoreToken=" << fileText(desktop->base / "window-token");
    }
};

TEST_F(GnomePortal, ThePointersCircleBecomesTheCursorPathOnTheMoviesFrameGrid)
{
    useSettingsWithTokens("settings-circle");
    // A circle of radius 200 around the monitor's centre, drawn in 1.6 s, then Ctrl-C.
    const PortalRecording recording =
        recordThroughPortal(desktop->base, "circle", "display-0", 60, [](CliProcess& cli) {
            desktopTool({"pointer", "abs", "840", "360", "sleep", "300", "circle", "640", "360", "200", "40", "40",
                         "sleep", "300"});
            cli.signal(SIGINT);
        });
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    EXPECT_EQ(recording.err.find(messages::kNoCursorShared), std::string::npos) << recording.err;
    EXPECT_EQ(recording.err.find(messages::kNoCursorPositionsArrived), std::string::npos) << recording.err;

    std::vector<double> times;
    tarnix::test::forEachVideoFrame(*recording.movie, [&](const QImage& frame, double time) {
        times.push_back(time);
        EXPECT_EQ(frame.size(), QSize(1280, 720));
    });
    ASSERT_GE(times.size(), 60u);
    EXPECT_NEAR(medianSpacing(times), 1.0 / 60, 0.2 / 60) << "the desktop's pictures, repeated on the grid";

    const auto document = nlohmann::json::parse(fileText(*recording.document));
    EXPECT_EQ(document.at("captureFrame").dump(), "[[0.0,0.0],[1280.0,720.0]]");
    // Screen space has its origin at the bottom left, so the circle's centre stays (640, 360).
    std::set<int> octants;
    int onCircle = 0;
    double last = -1;
    for (const auto& sample : document.at("cursorSamples")) {
        const double x = sample.at("point")[0].get<double>() - 640;
        const double y = sample.at("point")[1].get<double>() - 360;
        const double time = sample.at("timestamp").get<double>();
        EXPECT_GE(time, last) << "in the order they came";
        last = time;
        if (std::abs(std::hypot(x, y) - 200) > 3)
            continue;
        ++onCircle;
        octants.insert(int(std::floor((std::atan2(y, x) + std::numbers::pi) / (std::numbers::pi / 4))) % 8);
    }
    EXPECT_GE(onCircle, 20) << document.at("cursorSamples").dump();
    EXPECT_EQ(octants.size(), 8u) << "the samples go all the way round";
}

TEST_F(GnomePortal, ACastTheDesktopEndsIsAFinishedRecording)
{
    useSettingsWithTokens("settings-ended");
    const PortalRecording recording =
        recordThroughPortal(desktop->base, "ended", "display-0", 60, [](CliProcess&) {
            ASSERT_TRUE(waitForMovieBytes(desktop->base / "ended", 20000, 30));
            // What GNOME's screen-sharing indicator does: the desktop stops the cast.
            desktopTool({"end-casts"});
        });
    EXPECT_EQ(recording.exitCode, 0) << recording.err;
    EXPECT_NE(recording.err.find(messages::kDesktopEndedSharing), std::string::npos) << recording.err;
    EXPECT_EQ(recording.err.find("Capture stopped"), std::string::npos) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    const int frames = tarnix::test::forEachVideoFrame(*recording.movie, [](const QImage&, double) {});
    EXPECT_GT(frames, 5);
    EXPECT_NE(fileText(recording.folder.parent_path() / "ended.out").find("frames: " + std::to_string(frames)),
              std::string::npos)
        << "the movie was finished with every frame counted";
    const auto document = nlohmann::json::parse(fileText(*recording.document));
    EXPECT_EQ(document.at("captureFrame").dump(), "[[0.0,0.0],[1280.0,720.0]]");
}

TEST_F(GnomePortal, TheWindowKindRecordsTheChosenWindowAtItsOwnSize)
{
    useSettingsWithTokens("settings-window");
    CliProcess sources({"sources"}, desktop->base / "window-sources");
    ASSERT_TRUE(sources.started());
    sources.wait();
    EXPECT_NE(sources.out().find("window-0  \"Choose a window…\""), std::string::npos) << sources.out() << sources.err();

    const PortalRecording recording = recordThroughPortal(desktop->base, "window", "window-0", 3);
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    QImage middle;
    int frames = 0;
    tarnix::test::forEachVideoFrame(*recording.movie, [&](const QImage& frame, double) {
        if (++frames == 10)
            middle = frame.copy();
    });
    ASSERT_FALSE(middle.isNull()) << frames << " frames";
    // The known window (640 × 480 inside whatever frame the toolkit draws), not the monitor.
    EXPECT_LT(middle.width(), 1280);
    EXPECT_GE(middle.width(), 640);
    EXPECT_GE(middle.height(), 480);
    const auto document = nlohmann::json::parse(fileText(*recording.document));
    const auto& frame = document.at("captureFrame");
    // The movie rounds an odd size down to even pixels.
    EXPECT_NEAR(frame[1][0].get<double>(), middle.width(), 1);
    EXPECT_NEAR(frame[1][1].get<double>(), middle.height(), 1);
    int blue = 0;
    for (int y = 0; y < middle.height(); y += 4)
        for (int x = 0; x < middle.width(); x += 4)
            blue += middle.pixelColor(x, y).blue() > 200 && middle.pixelColor(x, y).green() < 60;
    EXPECT_NEAR(blue, 50 * 50, 300) << "the window's 200 × 200 blue square, sampled every 4 pixels";
    EXPECT_NE(fileText(desktop->base / "settings-window/Tarnix/Tarnix.conf").find("displayRestoreToken=00000000"),
              std::string::npos)
        << "each kind keeps its own token";
}

// SIGUSR1 pauses the cast's recording and the next resumes it: the movie leaves the pause out, and
// where the pointer went through mutter meanwhile is not in the document.
TEST_F(GnomePortal, APauseLeavesOutTheMovieAndThePointersPath)
{
    useSettingsWithTokens("settings-pause");
    const auto pointer = [](QStringList moves) {
        desktopTool(QStringList{"pointer"} + moves);
    };
    std::chrono::steady_clock::time_point pausedFrom, resumedAt;
    double pausedAt = -1;
    const PortalRecording recording =
        recordThroughPortal(desktop->base, "pause", "display-0", 120, [&](CliProcess& cli) {
            // Recorded: along the row y = 300, left of x = 400.
            pointer({"abs", "200", "300", "sleep", "300", "abs", "260", "300", "sleep", "300", "abs", "330", "300",
                     "sleep", "300", "abs", "400", "300", "sleep", "300"});
            cli.signal(SIGUSR1);
            ASSERT_TRUE(waitForSaid(cli, "paused at", 1, 10)) << cli.err();
            pausedFrom = std::chrono::steady_clock::now();
            // Paused: a circle on the right of the monitor, then back where the pause began.
            pointer({"circle", "900", "450", "150", "20", "30", "abs", "400", "300", "sleep", "300"});
            cli.signal(SIGUSR1);
            ASSERT_TRUE(waitForSaid(cli, "resumed at", 1, 10)) << cli.err();
            resumedAt = std::chrono::steady_clock::now();
            // Recorded again: up the column x = 400.
            pointer({"abs", "400", "250", "sleep", "300", "abs", "400", "200", "sleep", "300", "abs", "400", "150",
                     "sleep", "300"});
            // Stopped while paused, the recording ends where that pause began.
            cli.signal(SIGUSR1);
            ASSERT_TRUE(waitForSaid(cli, "paused at", 2, 10)) << cli.err();
            pausedAt = lastPausedAt(cli.err());
            cli.signal(SIGINT);
        });
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    ASSERT_GT(pausedAt, 1.0) << recording.err;

    std::vector<double> times;
    tarnix::test::forEachVideoFrame(*recording.movie, [&](const QImage& frame, double time) {
        times.push_back(time);
        EXPECT_EQ(frame.size(), QSize(1280, 720));
    });
    ASSERT_GE(times.size(), 30u);
    // The last frame is the grid's last slot before the second pause began (the printed time is
    // rounded to the hundredth).
    constexpr double frame = 1.0 / 60;
    EXPECT_NEAR(times.back() + frame, pausedAt, frame + 0.006) << "the movie is as long as the time recorded";
    double step = 0;
    for (std::size_t i = 1; i < times.size(); ++i)
        step = std::max(step, times[i] - times[i - 1]);
    EXPECT_LT(step, 0.25) << "no hole where the pause was";
    const double paused = std::chrono::duration<double>(resumedAt - pausedFrom).count();
    EXPECT_GT(paused, 0.6) << "the circle took its time";

    // Screen space has its origin at the bottom left: the row y = 300 is 420 there.
    const auto document = nlohmann::json::parse(fileText(*recording.document));
    int onRow = 0, onColumn = 0;
    for (const auto& sample : document.at("cursorSamples")) {
        const double x = sample.at("point")[0].get<double>(), y = sample.at("point")[1].get<double>();
        EXPECT_LE(x, 402) << "a position from the pause: " << sample.dump();
        EXPECT_LE(sample.at("timestamp").get<double>(), pausedAt + frame) << sample.dump();
        onRow += std::abs(y - 420) < 2 && x < 398;
        onColumn += std::abs(x - 400) < 2 && y > 440;
    }
    EXPECT_GE(onRow, 2) << document.at("cursorSamples").dump();
    EXPECT_GE(onColumn, 2) << "the pointer is followed again after the resume: "
                           << document.at("cursorSamples").dump();
}

// An area of the shared monitor: the movie holds that rectangle of the picture, with its pixels in
// place, and the document's capture frame is the rectangle.
TEST_F(GnomePortal, AnAreaIsCutFromTheSharedMonitor)
{
    useSettingsWithTokens("settings-area");
    // Where mutter put the known window: found in a picture of the whole monitor.
    const PortalRecording whole = recordThroughPortal(desktop->base, "area-whole", "display-0", 1);
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    ASSERT_TRUE(whole.movie) << whole.err;
    QImage monitor;
    tarnix::test::forEachVideoFrame(*whole.movie, [&](const QImage& frame, double) { monitor = frame.copy(); });
    const QRect square = blueSquareIn(monitor);
    ASSERT_NEAR(square.width(), 200, 2);
    ASSERT_NEAR(square.height(), 200, 2);

    // 301 × 301 with the square 50 pixels in: 300 × 300 for the encoder.
    const QPoint origin = square.topLeft() - QPoint(50, 50);
    const std::string area = std::to_string(origin.x()) + "," + std::to_string(origin.y()) + ",301,301";
    const PortalRecording recording = recordThroughPortal(desktop->base, "area", "display-0", 2, {}, {"--area", area});
    ASSERT_EQ(recording.exitCode, 0) << recording.err;
    ASSERT_TRUE(recording.movie && recording.document) << recording.err;
    EXPECT_NE(recording.err.find("area " + std::to_string(origin.x()) + "," + std::to_string(origin.y()) + ",300,300"),
              std::string::npos)
        << recording.err;
    QImage last;
    int frames = 0;
    tarnix::test::forEachVideoFrame(*recording.movie, [&](const QImage& frame, double) {
        EXPECT_EQ(frame.size(), QSize(300, 300));
        last = frame.copy();
        ++frames;
    });
    ASSERT_GE(frames, 30);
    // In place to the pixel, give or take the encoder's softened edges.
    const QRect cut = blueSquareIn(last), was = square.translated(-origin);
    for (auto [got, expected] : {std::pair{cut.left(), was.left()}, {cut.top(), was.top()}, {cut.right(), was.right()},
                                 {cut.bottom(), was.bottom()}})
        EXPECT_NEAR(got, expected, 1) << "the blue square at " << cut.x() << "," << cut.y() << " " << cut.width()
                                      << "×" << cut.height();
    for (QPoint outside : {QPoint(20, 20), QPoint(280, 280), QPoint(20, 280)})
        EXPECT_TRUE(colourNear(last, outside, monitor.pixelColor(origin + outside))) << outside.x() << "," << outside.y();
    const auto document = nlohmann::json::parse(fileText(*recording.document));
    const int bottom = 720 - origin.y() - 300;
    EXPECT_EQ(document.at("captureFrame").dump(), "[[" + std::to_string(origin.x()) + ".0," +
                                                      std::to_string(bottom) + ".0],[300.0,300.0]]");
}

} // namespace
