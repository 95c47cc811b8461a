#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <csignal>

#include "app/RecordingSession.h"
#include "capture/CaptureClock.h"
#include "support/FlashAndBeep.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"

using namespace tarnix;

namespace {

constexpr double kFrame = 1.0 / 60;       // the screen's frame interval
constexpr double kCameraFrame = 1.0 / 30; // the generated camera's

// The times of a movie's video frames, in order.
std::vector<double> frameTimes(const std::filesystem::path& movie)
{
    std::vector<double> times;
    test::forEachVideoFrame(movie, [&](const QImage&, double time) { times.push_back(time); });
    return times;
}

double largestStep(const std::vector<double>& times)
{
    double step = 0;
    for (std::size_t i = 1; i < times.size(); ++i)
        step = std::max(step, times[i] - times[i - 1]);
    return step;
}

class PauseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        session = test::makeTestSession(folder.path());
    }

    void TearDown() override
    {
        if (flasher.state() == QProcess::Running) {
            flasher.kill();
            flasher.waitForFinished();
        }
    }

    bool toggle()
    {
        bool done = false;
        session->toggleRecording([&] { done = true; });
        return test::processEventsUntil(30, [&] { return done; });
    }

    // Lets the event loop run until `seconds` more have been recorded.
    bool record(double seconds)
    {
        const double until = session->recordedSeconds() + seconds;
        return test::processEventsUntil(seconds + 20, [&] { return session->recordedSeconds() >= until; });
    }

    // A pause of `seconds` (world time) with `during` done inside it.
    bool pauseFor(double seconds, const std::function<void()>& during)
    {
        session->setPaused(true);
        if (!session->isPaused())
            return false;
        const double resumeAt = session->pauses().spans().back().from + seconds;
        during();
        const bool waited = test::processEventsUntil(seconds + 20, [&] { return CaptureClock::now() >= resumeAt; });
        session->setPaused(false);
        return waited && !session->isPaused();
    }

    test::TemporaryFolder folder;
    std::unique_ptr<RecordingSession> session;
    QProcess flasher;
};

} // namespace

// Three pauses, then a stop while paused: the movie, its sound, the camera and the microphone each
// last exactly the recorded time, without a hole, nothing done during a pause is in the document,
// and a flash and a beep that happened together are still together after the pauses.
TEST_F(PauseTest, everyFileClosesTheGapsAndFlashAndBeepStayTogether)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    session->sourceProvider().refresh();
    ASSERT_FALSE(session->sourceProvider().displays().empty());
    session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));
    session->micRecorder().configure("tarnix_mic");
    session->setSelectedMicID("tarnix_mic");
    session->cameraRecorder().configure({"testsrc=size=320x240:rate=30", "Generated camera", "lavfi"});
    session->cameraRecorder().startPreview();
    session->setSelectedCameraID("testsrc");
    session->setIncludeSystemAudio(true);
    session->setKeyCapture(KeyCaptureScope::shortcuts);
    flasher.start(TARNIX_FLASH_BEEP, {});
    ASSERT_TRUE(flasher.waitForStarted(5000));

    EXPECT_FALSE(session->isPaused());
    session->setPaused(true);
    EXPECT_FALSE(session->isPaused()) << "nothing to pause before a recording";

    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
    ASSERT_TRUE(record(1.5));
    test::shell("xdotool key ctrl+s");
    ASSERT_TRUE(record(1.0));
    // Whole-second pauses keep the beeps on their once-a-second grid in the movie, so that a pair a
    // pause cuts in two cannot be mistaken for a pair.
    constexpr int kPauses = 3;
    for (int n = 0; n < kPauses; ++n) {
        ASSERT_TRUE(pauseFor(1.0, [] {
            test::shell("xdotool mousemove 300 300 click 1 key ctrl+p");
        }));
        ASSERT_TRUE(record(n == kPauses - 1 ? 3.0 : 1.6));
    }
    // Stopped while paused: the recording ends where the pause began.
    session->setPaused(true);
    ASSERT_TRUE(session->isPaused());
    const double end = session->pauses().spans().back().from;
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return CaptureClock::now() >= end + 0.5; }));
    ASSERT_TRUE(toggle());
    EXPECT_FALSE(session->isPaused());
    ASSERT_TRUE(session->completedTimeline());
    const auto& t = *session->completedTimeline();
    ASSERT_EQ(session->pauses().spans().size(), std::size_t(kPauses + 1));

    const CapturePauses& pauses = session->pauses();
    const double recordedEnd = pauses.recordedTimeUpTo(end);
    const double firstFrame = CaptureClock::monotonicOf(*session->recorder().firstFrameWallClockDate());
    const double length = recordedEnd - firstFrame;
    EXPECT_GT(length, 8.0);

    // The movie: one frame after another to the pause it was stopped in, and its sound as long.
    const auto frames = frameTimes(*t.videoURL);
    ASSERT_GT(frames.size(), 100u);
    EXPECT_LT(largestStep(frames), 0.25) << "no hole where a pause was";
    EXPECT_NEAR(frames.back(), length - kFrame, kFrame + 0.002) << "the last frame is the last before the pause";
    const auto movie = test::probe(*t.videoURL);
    EXPECT_NEAR(movie.audioEnd, length, kFrame + 0.03);

    // The camera and the microphone began before the first frame, and they close the gaps too.
    const auto camera = frameTimes(*t.cameraURL);
    ASSERT_GT(camera.size(), 30u);
    EXPECT_LT(largestStep(camera), 0.25);
    EXPECT_NEAR(camera.back(), recordedEnd - session->cameraRecorder().fileStartTime() - kCameraFrame,
                kCameraFrame + 0.002);
    const auto microphone = test::audioStats(*t.microphoneURL);
    ASSERT_TRUE(microphone);
    EXPECT_NEAR(microphone->seconds, recordedEnd - session->micRecorder().fileStartTime(), kFrame);
    EXPECT_LT(microphone->longestSilenceEnd - microphone->longestSilenceStart, 0.1) << "the tone runs on";

    // What happened during the pauses is not in the document; what happened before them is.
    EXPECT_TRUE(t.clickEvents.empty());
    ASSERT_EQ(t.keyEvents.size(), 1u);
    EXPECT_EQ(t.keyEvents.front().key, "S");
    for (const auto& sample : t.cursorSamples)
        EXPECT_LE(sample.timestamp, length);

    // Flash and beep: the same offset in every stretch between pauses, within a frame.
    const auto offsets = test::flashToBeepOffsets(test::flashTimes(*t.videoURL), test::beepTimes(*t.videoURL));
    ASSERT_GE(offsets.size(), 6u);
    const double lastPause = pauses.recordedTimeUpTo(pauses.spans()[kPauses - 1].from) - firstFrame;
    const auto afterLast = std::count_if(offsets.begin(), offsets.end(), [&](const auto& o) { return o.first > lastPause; });
    EXPECT_GE(afterLast, 2) << "pairs after the last pause";
    const double first = offsets.front().second;
    for (const auto& [time, offset] : offsets)
        EXPECT_NEAR(offset, first, 2 * kFrame) << "the pair at " << time << " s";
}

// tarnix-cli record: SIGUSR1 pauses, the next resumes, and --duration counts recorded time.
TEST_F(PauseTest, sigusr1PausesAndResumesTheCommandLinesRecording)
{
    if (!test::requireDisplay())
        return;
    session->sourceProvider().refresh();
    ASSERT_FALSE(session->sourceProvider().displays().empty());
    const auto display = displayIdentifier(session->sourceProvider().displays().front());
    QProcess process;
    process.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(display), "--duration", "3", "--out",
                               QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(process.waitForStarted(5000));
    std::string err;
    auto said = [&](const std::string& text) {
        return test::processEventsUntil(30, [&] {
            err += process.readAllStandardError().toStdString();
            return err.find(text) != std::string::npos;
        });
    };
    ASSERT_TRUE(said("SIGUSR1 to pause")) << err;
    const double startedAt = CaptureClock::now();
    kill(pid_t(process.processId()), SIGUSR1);
    ASSERT_TRUE(said("paused at")) << err;
    const double pausedAt = CaptureClock::now();
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return CaptureClock::now() >= pausedAt + 4; }));
    EXPECT_EQ(process.state(), QProcess::Running) << "the paused time does not count towards --duration";
    kill(pid_t(process.processId()), SIGUSR1);
    ASSERT_TRUE(said("resumed at")) << err;
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << err;
    EXPECT_GE(CaptureClock::now() - startedAt, 3 + 4);
    const std::string out = process.readAllStandardOutput().toStdString();
    const auto at = out.find("movie: ");
    ASSERT_NE(at, std::string::npos) << out;
    const std::string movie = out.substr(at + 7, out.find('\n', at) - at - 7);
    const auto frames = frameTimes(movie);
    ASSERT_FALSE(frames.empty());
    EXPECT_NEAR(frames.back(), 3.0, 0.3) << "three seconds recorded, the pause left out";
    EXPECT_LT(largestStep(frames), 0.25);
}
