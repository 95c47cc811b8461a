#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <csignal>

#include "app/RecordingSession.h"
#include "capture/CaptureClock.h"
#include "document/DocumentCoding.h"
#include "support/FlashAndBeep.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"

using namespace tarnix;

namespace {

constexpr double kFrame = 1.0 / 60;       // the screen's frame interval
constexpr double kCameraFrame = 1.0 / 30; // the generated camera's
constexpr double kAacFrame = 1024.0 / 44100;

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

// The movie times where the pauses were taken out.
std::vector<double> pausesClosedAt(const CapturePauses& pauses, double firstFrame)
{
    std::vector<double> times;
    for (const auto& span : pauses.spans())
        times.push_back(pauses.recordedTimeUpTo(span.from) - firstFrame);
    return times;
}

// The step between the frames of `times` on either side of `at`.
double stepAcross(const std::vector<double>& times, double at)
{
    const auto after = std::lower_bound(times.begin(), times.end(), at);
    return after == times.begin() || after == times.end() ? 0 : *after - *(after - 1);
}

// A flash of the movie and where it began: between the dark frame before it and the frame that
// shows it (a busy machine loses frames, and a flash after lost frames shows up late by as many).
// Flashes that show up in the first frame after a pause are left out: they may be what is left of
// one that began before it.
struct TimedFlash {
    double earliest = 0;
    double shown = 0;
};

std::vector<TimedFlash> timedFlashes(const std::filesystem::path& movie, const std::vector<double>& closedAt)
{
    std::vector<TimedFlash> flashes;
    for (const auto& flash : test::flashStarts(movie)) {
        // The muxer may move the picture by the sound's priming against the recorded time.
        const bool afterPause = std::any_of(closedAt.begin(), closedAt.end(), [&](double at) {
            return at > flash.darkBefore - kAacFrame && at <= flash.time + kAacFrame;
        });
        if (!afterPause && std::isfinite(flash.darkBefore))
            flashes.push_back({flash.darkBefore, flash.time});
    }
    return flashes;
}

// tarnix-cli record running beside the test, with what it has said on standard error.
struct RecordCommand {
    QProcess process;
    std::string err;

    bool start(const std::string& source, const std::filesystem::path& folder, QStringList more = {})
    {
        process.start(TARNIX_CLI, QStringList{"record", "--source", QString::fromStdString(source), "--out",
                                              QString::fromStdString(folder.string())} + more);
        return process.waitForStarted(5000);
    }
    // Waits until standard error holds `text`.
    bool said(const std::string& text)
    {
        return test::processEventsUntil(30, [&] {
            err += process.readAllStandardError().toStdString();
            return err.find(text) != std::string::npos;
        });
    }
    void signal(int number) { kill(pid_t(process.processId()), number); }
};

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

    // The identifier of the server's first display; empty when there is none.
    std::string firstDisplay()
    {
        session->sourceProvider().refresh();
        const auto& displays = session->sourceProvider().displays();
        return displays.empty() ? std::string() : displayIdentifier(displays.front());
    }

    bool toggle()
    {
        bool done = false;
        session->toggleRecording([&] { done = true; });
        return test::processEventsUntil(30, [&] { return done; });
    }

    // Lets the event loop run until `seconds` more have been recorded, and the flasher has drawn
    // `flashes` more flashes (a busy machine slows its once-a-second beat).
    bool record(double seconds, int flashes = 0)
    {
        const double until = session->recordedSeconds() + seconds;
        const int flashesUntil = flashesDrawn() + flashes;
        return test::processEventsUntil(seconds + 20, [&] {
            return session->recordedSeconds() >= until && flashesDrawn() >= flashesUntil;
        });
    }

    int flashesDrawn()
    {
        flashes_ += int(flasher.readAllStandardOutput().count('\n'));
        return flashes_;
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
    int flashes_ = 0;
};

} // namespace

// Three pauses, then a stop while paused: the movie, its sound, the camera and the microphone each
// last exactly the recorded time, without a hole, nothing done during a pause is in the document,
// and a flash and a beep that happened together are still together after the pauses.
TEST_F(PauseTest, everyFileClosesTheGapsAndFlashAndBeepStayTogether)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    session->setSelectedSourceID(display);
    session->micRecorder().configure("tarnix_mic");
    session->setSelectedMicID("tarnix_mic");
    session->cameraRecorder().configure({"testsrc=size=320x240:rate=30", "Generated camera", "lavfi"});
    session->cameraRecorder().startPreview();
    session->setSelectedCameraID("testsrc");
    session->setIncludeSystemAudio(true);
    session->setKeyCapture(KeyCaptureScope::shortcuts);
    flasher.start(TARNIX_FLASH_BEEP, {});
    ASSERT_TRUE(flasher.waitForStarted(5000));
    // The flasher's sound stream settles its latency in its first moments: recorded after that.
    const double flasherStarted = CaptureClock::now();
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return CaptureClock::now() >= flasherStarted + 2; }));

    EXPECT_FALSE(session->isPaused());
    session->setPaused(true);
    EXPECT_FALSE(session->isPaused()) << "nothing to pause before a recording";

    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
    ASSERT_TRUE(record(1.5));
    test::shell("xdotool key ctrl+s");
    ASSERT_TRUE(record(1.0, 2));
    // Whole-second pauses keep the beeps near their once-a-second grid in the movie.
    constexpr int kPauses = 3;
    constexpr double kPauseSeconds = 1.0;
    for (int n = 0; n < kPauses; ++n) {
        ASSERT_TRUE(pauseFor(kPauseSeconds, [] {
            test::shell("xdotool mousemove 300 300 click 1 key ctrl+p");
        }));
        // Flashes to pair with their beeps after the last pause.
        ASSERT_TRUE(record(n == kPauses - 1 ? 3.0 : 1.6, n == kPauses - 1 ? 3 : 0));
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

    // The movie: every pause taken out, to the pause it was stopped in, and its sound as long. A
    // busy machine loses frames anywhere (the capture falls behind), so frames may be further apart
    // than one; a pause left in would leave a hole of its whole length where it was.
    const std::vector<double> closedAt = pausesClosedAt(pauses, firstFrame);
    const auto frames = frameTimes(*t.videoURL);
    ASSERT_GT(frames.size(), 100u);
    for (std::size_t n = 0; n < std::size_t(kPauses); ++n)
        EXPECT_LT(stepAcross(frames, closedAt[n]), kPauseSeconds - kFrame)
            << "a hole where the pause at " << closedAt[n] << " s was";
    // The muxer may move the picture by the sound's priming (an AAC frame) against its time line.
    // Nothing after the pause; the last frame before it, unless frames were lost there too.
    const double span = frames.back() - frames.front();
    EXPECT_LE(span, length + kAacFrame) << "a frame after the pause";
    EXPECT_GE(span, length - kAacFrame - largestStep(frames)) << "the last frame is the last before the pause";
    const auto movie = test::probe(*t.videoURL);
    EXPECT_NEAR(movie.audioEnd, length, kFrame + 2 * kAacFrame);

    // The camera and the microphone began before the first frame, and they close the gaps too.
    const double cameraStart = session->cameraRecorder().fileStartTime();
    const auto camera = frameTimes(*t.cameraURL);
    ASSERT_GT(camera.size(), 30u);
    for (std::size_t n = 0; n < std::size_t(kPauses); ++n) {
        const double at = closedAt[n] + firstFrame - cameraStart;
        EXPECT_LT(stepAcross(camera, at), kPauseSeconds - kCameraFrame)
            << "a hole in the camera where the pause at " << closedAt[n] << " s was";
    }
    const double cameraEnd = recordedEnd - cameraStart - kCameraFrame;
    EXPECT_LE(camera.back(), cameraEnd + kCameraFrame + 0.002) << "a camera picture after the pause";
    EXPECT_GE(camera.back(), cameraEnd - 0.002 - largestStep(camera));
    const auto microphone = test::audioStats(*t.microphoneURL);
    ASSERT_TRUE(microphone);
    // AAC adds up to a frame of 1024 samples at each end (priming, padding of the last frame).
    EXPECT_NEAR(microphone->seconds, recordedEnd - session->micRecorder().fileStartTime(), kFrame + 2 * kAacFrame);

    // What happened during the pauses is not in the document; what happened before them is.
    EXPECT_TRUE(t.clickEvents.empty());
    ASSERT_EQ(t.keyEvents.size(), 1u);
    EXPECT_EQ(t.keyEvents.front().key, "S");
    for (const auto& sample : t.cursorSamples)
        EXPECT_LE(sample.timestamp, length);

    // Flash and beep: the same offset in every stretch between pauses. Each pair tells the offset
    // within the span its flash may have begun in (one frame, more where frames were lost): one
    // offset must lie in every pair's span, give or take two frames (a flash is seen up to a frame
    // late, and the flasher draws it a few milliseconds late on a busy machine).
    const auto beeps = test::beepTimes(*t.videoURL);
    struct Pair {
        double shown, least, most; // beep minus flash
    };
    std::vector<Pair> pairs;
    // A flash's own beep lies within a tenth of a second of the span it began in, in the same
    // stretch between pauses; a flash whose beep the sound server dropped (a flasher late to write
    // it on a busy machine) has none there.
    auto sameStretch = [&](double a, double b) {
        return std::none_of(closedAt.begin(), closedAt.end(), [&](double at) { return std::min(a, b) < at && at <= std::max(a, b); });
    };
    for (const TimedFlash& flash : timedFlashes(*t.videoURL, closedAt)) {
        const auto beep = std::find_if(beeps.begin(), beeps.end(), [&](double b) {
            return b >= flash.earliest - 0.1 && b <= flash.shown + 0.1 && sameStretch(b, flash.shown);
        });
        if (beep != beeps.end())
            pairs.push_back({flash.shown, *beep - flash.shown, *beep - flash.earliest});
    }
    ASSERT_GE(pairs.size(), 4u);
    const double lastPause = closedAt[kPauses - 1];
    EXPECT_GE(std::count_if(pairs.begin(), pairs.end(), [&](const Pair& p) { return p.shown > lastPause; }), 2)
        << "pairs after the last pause";
    const auto latest = std::max_element(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.least < b.least; });
    const auto earliest = std::min_element(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.most < b.most; });
    EXPECT_LE(latest->least, earliest->most + 2 * kFrame)
        << "the pair at " << latest->shown << " s has the beep at least " << latest->least << " s after the flash, the pair at "
        << earliest->shown << " s at most " << earliest->most << " s";
}

// tarnix-cli record: SIGUSR1 pauses, the next resumes, and --duration counts recorded time.
TEST_F(PauseTest, sigusr1PausesAndResumesTheCommandLinesRecording)
{
    if (!test::requireDisplay())
        return;
    RecordCommand cli;
    ASSERT_TRUE(cli.start(firstDisplay(), folder.path(), {"--duration", "3"}));
    QProcess& process = cli.process;
    std::string& err = cli.err;
    auto said = [&](const std::string& text) { return cli.said(text); };
    ASSERT_TRUE(said("SIGUSR1 to pause")) << err;
    const double startedAt = CaptureClock::now();
    cli.signal(SIGUSR1);
    ASSERT_TRUE(said("paused at")) << err;
    const double pausedAt = CaptureClock::now();
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return CaptureClock::now() >= pausedAt + 4; }));
    EXPECT_EQ(process.state(), QProcess::Running) << "the paused time does not count towards --duration";
    cli.signal(SIGUSR1);
    ASSERT_TRUE(said("resumed at")) << err;
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << err;
    // The recording began a moment before its first line was read, so up to that moment is
    // recorded before startedAt.
    EXPECT_GE(CaptureClock::now() - startedAt, 3 + 4 - 0.5);
    const std::string out = process.readAllStandardOutput().toStdString();
    const auto at = out.find("movie: ");
    ASSERT_NE(at, std::string::npos) << out;
    const std::string movie = out.substr(at + 7, out.find('\n', at) - at - 7);
    const auto frames = frameTimes(movie);
    ASSERT_FALSE(frames.empty());
    EXPECT_NEAR(frames.back(), 3.0, 0.3) << "three seconds recorded, the pause left out";
    EXPECT_LT(largestStep(frames), 0.25);
}

// A recording killed after a pause is recovered from its journal as a stop would have left it: the
// click made during the pause is nowhere, the one after it sits where the movie shows it.
TEST_F(PauseTest, aRecordingKilledAfterAPauseIsRecoveredWithItsSamplesInPlace)
{
    if (!test::requireDisplay())
        return;
    RecordCommand cli;
    ASSERT_TRUE(cli.start(firstDisplay(), folder.path()));
    QProcess& process = cli.process;
    std::string& err = cli.err;
    auto said = [&](const std::string& text) { return cli.said(text); };
    auto fileEndingWith = [&](const std::string& end) -> std::optional<std::filesystem::path> {
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            if (entry.path().filename().string().ends_with(end))
                return entry.path();
        return std::nullopt;
    };
    auto journalCount = [&](const std::string& part) {
        const auto journal = fileEndingWith(".tarnix-journal");
        const std::string text = journal ? test::readFile(*journal) : std::string();
        int count = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++count;
        return count;
    };
    ASSERT_TRUE(said("SIGUSR1 to pause")) << err;
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return journalCount("firstFrame") == 1; }));
    const auto recordedAt = [&](const std::string& word) {
        const auto at = err.rfind(word + " at ");
        return std::stod(err.substr(at + word.size() + 4));
    };
    cli.signal(SIGUSR1);
    ASSERT_TRUE(said("paused at")) << err;
    const double pausedAt = CaptureClock::now();
    test::shell("xdotool click 1");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return CaptureClock::now() >= pausedAt + 1.5; }));
    cli.signal(SIGUSR1);
    ASSERT_TRUE(said("resumed at")) << err;
    const double resumedAt = CaptureClock::now();
    const double recordedAtResume = recordedAt("resumed");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return CaptureClock::now() >= resumedAt + 0.5; }));
    const double clickAfter = recordedAtResume + (CaptureClock::now() - resumedAt);
    test::shell("xdotool click 1");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return journalCount("\"click\"") >= 2; }));
    // Until the movie holds the click: its fragments are a second long.
    const auto movie = fileEndingWith(".mp4");
    ASSERT_TRUE(movie);
    ASSERT_TRUE(test::processEventsUntil(30, [&] {
        const std::string text = test::readFile(*movie);
        int fragments = 0;
        for (auto at = text.find("moof"); at != std::string::npos; at = text.find("moof", at + 1))
            ++fragments;
        return fragments >= int(clickAfter) + 3;
    }));
    cli.signal(SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));

    QProcess recover;
    recover.start(TARNIX_CLI, {"recover", QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(recover.waitForFinished(60000));
    ASSERT_EQ(recover.exitCode(), 0) << recover.readAllStandardError().toStdString();
    const auto document = fileEndingWith(".tarnix.json");
    ASSERT_TRUE(document);
    const RecordingTimeline t = decodeRecordingTimeline(test::readFile(*document));
    // Two presses and two releases: the pair after the pause only.
    ASSERT_EQ(t.clickEvents.size(), 2u);
    // The command's "recorded" time counts from the start, a moment before the first frame.
    EXPECT_NEAR(t.clickEvents.front().timestamp, clickAfter, 0.3);
}
