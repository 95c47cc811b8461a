#include <gtest/gtest.h>

#include "app/RecordingSession.h"
#include "capture/CaptureClock.h"
#include "capture/pulse/PulseAudio.h"
#include "support/MediaProbe.h"
#include "support/PrivateSoundServer.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"

using namespace tarnix;

// A sound server that goes away in the middle of a recording with the microphone and system
// audio: a private PulseAudio daemon, killed as a crash would, and (in the first case) started
// again on the same socket.

namespace {

// Seconds. The sound server reports a monitor's latency coarsely (several hundred milliseconds
// just after a stream connects, nothing once it turns negative), so a sound's place is known to
// about this much; a gap that closed up (sound after it moved early by the gap's length) is far
// outside it.
constexpr double kPlacement = 0.75;

class SoundServerLossTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_TRUE(test::requireDisplay());
        ASSERT_TRUE(server.start());
    }

    void playTones()
    {
        systemTone = std::make_unique<test::TonePlayer>("tarnix_null", 2, 660);
        microphoneTone = std::make_unique<test::TonePlayer>("tarnix_mic_feed", 1, 440);
        ASSERT_TRUE(test::processEventsUntil(10, [&] {
            return systemTone->startedAt() > 0 && microphoneTone->startedAt() > 0;
        }));
    }

    void startRecording()
    {
        session = test::makeTestSession(folder.path());
        session->sourceProvider().refresh();
        ASSERT_FALSE(session->sourceProvider().displays().empty());
        session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));
        session->micRecorder().configure("tarnix_mic");
        session->setSelectedMicID("tarnix_mic");
        session->setIncludeSystemAudio(true);
        ASSERT_TRUE(toggle());
        ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
        ASSERT_TRUE(test::processEventsUntil(30, [&] {
            return session->recorder().appendedFrameCount() >= 150 && session->recorder().capturedSystemAudio();
        }));
    }

    // Kills the server as a crash would; true once the recording has said so.
    bool killServer()
    {
        systemTone.reset();
        microphoneTone.reset();
        killedAt = CaptureClock::now();
        server.kill();
        return test::processEventsUntil(15, [&] { return noticesSay("System audio and the microphone are missing since"); });
    }

    // Records `frames` more frames, and goes on until `sinceKill` seconds have passed since the
    // kill: the gap must outlast the silence a recording may start with before the tones reach
    // it (over a second on a busy machine), to be the longest silence in its tracks.
    bool recordFrames(int frames, double sinceKill = 0)
    {
        const int until = session->recorder().appendedFrameCount() + frames;
        return test::processEventsUntil(30, [&] {
            return session->recorder().appendedFrameCount() >= until && CaptureClock::now() - killedAt >= sinceKill;
        });
    }

    bool toggle()
    {
        bool done = false;
        session->toggleRecording([&] { done = true; });
        return test::processEventsUntil(60, [&] { return done; });
    }

    bool noticesSay(const std::string& text) const
    {
        for (const auto& notice : session->recordingNotices())
            if (notice.find(text) != std::string::npos)
                return true;
        return false;
    }

    double firstFrame() const { return CaptureClock::monotonicOf(*session->recorder().firstFrameWallClockDate()); }

    // Both tracks last as long as the recording, with the sound, and are silent from the kill to
    // `soundBackAt` (CaptureClock), or to their end when the sound never came back.
    void expectSilentGap(std::optional<double> soundBackAt)
    {
        const RecordingTimeline& t = *session->completedTimeline();
        ASSERT_TRUE(t.microphoneURL);
        const double movieSeconds = test::probe(*t.videoURL).videoDuration;
        const double micStart = session->micRecorder().fileStartTime();
        struct Track {
            std::filesystem::path file;
            double origin;          // CaptureClock time of the file's 0
            double seconds;         // its expected length
            double lengthTolerance;
        };
        // The microphone's file starts a little before the first frame and ends at its own stop.
        for (const Track& track : {Track{*t.videoURL, firstFrame(), movieSeconds, 0.15},
                                   Track{*t.microphoneURL, micStart, movieSeconds + firstFrame() - micStart, 1.0}}) {
            SCOPED_TRACE(track.file.string());
            const auto stats = test::audioStats(track.file);
            ASSERT_TRUE(stats);
            EXPECT_NEAR(stats->seconds, track.seconds, track.lengthTolerance);
            EXPECT_GT(stats->rms, 0.05);
            EXPECT_NEAR(stats->longestSilenceStart, killedAt - track.origin, kPlacement);
            if (soundBackAt)
                EXPECT_NEAR(stats->longestSilenceEnd, *soundBackAt - track.origin, kPlacement)
                    << "the sound after the gap is in its place";
            else
                EXPECT_NEAR(stats->longestSilenceEnd, stats->seconds, 0.05) << "silent to the end";
        }
    }

    test::TemporaryFolder folder;
    test::PrivateSoundServer server; // before the session, which must let go of it first
    std::unique_ptr<test::TonePlayer> systemTone;
    std::unique_ptr<test::TonePlayer> microphoneTone;
    std::unique_ptr<RecordingSession> session;
    double killedAt = 0;
};

} // namespace

TEST_F(SoundServerLossTest, aServerThatComesBackLeavesBothTracksWholeWithASilentGapWhereItWasAway)
{
    ASSERT_NO_FATAL_FAILURE(playTones());
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_TRUE(killServer()) << "the bar is told at once";
    EXPECT_TRUE(session->isRecording());
    EXPECT_TRUE(session->micRecorder().isRecording());
    ASSERT_TRUE(recordFrames(180, 3.0));

    ASSERT_TRUE(server.start());
    // Both recorders are back before the tones start, so the sound after the gap starts with them.
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return noticesSay("System audio and the microphone were missing for"); }))
        << (session->recordingNotices().empty() ? "" : session->recordingNotices().front());
    ASSERT_NO_FATAL_FAILURE(playTones());
    const double backAt = systemTone->startedAt();
    ASSERT_TRUE(recordFrames(90));
    ASSERT_TRUE(toggle());

    ASSERT_TRUE(session->completedTimeline());
    EXPECT_TRUE(session->completedTimeline()->hasSystemAudio);
    expectSilentGap(backAt);
    EXPECT_FALSE(session->micRecorder().errorMessage());
    const auto notices = session->recordingNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices.front().starts_with("System audio and the microphone were missing for ")) << notices.front();
    EXPECT_NE(notices.front().find("the sound server stopped"), std::string::npos) << notices.front();
}

TEST_F(SoundServerLossTest, aServerThatNeverComesBackLeavesSilenceToTheEndAndSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(playTones());
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_TRUE(killServer());
    ASSERT_TRUE(recordFrames(60, 3.0));
    ASSERT_TRUE(toggle());

    ASSERT_TRUE(session->completedTimeline());
    expectSilentGap(std::nullopt);
    const auto notices = session->recordingNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices.front().starts_with("System audio and the microphone are missing from ")) << notices.front();
    EXPECT_NE(notices.front().find("to the end"), std::string::npos) << notices.front();
}

// A stream that is reading when its server dies lets go of the connection: over several kills,
// each stream says the sound is lost and is then destroyed (a reader that held the server's
// memory across reads would hang here, and the recording's stop with it).
TEST(SoundStreamLoss, aStreamReadingWhenItsServerDiesSaysSoAndLetsGo)
{
    test::PrivateSoundServer server;
    for (int kill = 0; kill < 5; ++kill) {
        SCOPED_TRACE(kill);
        ASSERT_TRUE(server.start());
        auto tone = std::make_unique<test::TonePlayer>("tarnix_mic_feed", 1, 440);
        std::atomic<int> blocks{0};
        std::atomic<bool> lost{false};
        pulse::Stream::Handlers handlers;
        handlers.onBlock = [&](pulse::AudioBlock&&) { ++blocks; };
        handlers.onLost = [&](const std::string&, double) { lost = true; };
        auto stream = std::make_unique<pulse::Stream>("tarnix_mic", 44100 + kill * 1000, 1, std::move(handlers));
        ASSERT_TRUE(test::processEventsUntil(10, [&] { return blocks > 5; }));
        tone.reset(); // the test's own player stops first, as in the tests above
        server.kill();
        ASSERT_TRUE(test::processEventsUntil(10, [&] { return lost.load(); }));
        EXPECT_FALSE(stream->isRunning());
        stream.reset();
    }
}
