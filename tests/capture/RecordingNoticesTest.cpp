#include <gtest/gtest.h>

#include "capture/CaptureMessages.h"
#include "capture/RecordingNotices.h"

using namespace tarnix;

namespace {
const std::string kStopped = CaptureMessages::kSoundServerStopped;
constexpr double kMovieStart = 100; // CaptureClock time of the first frame
} // namespace

TEST(SoundGapNotices, oneLossOfTheServerIsSaidOnceForBothTracksWhileItLastsAndOnceItIsOver)
{
    // The two streams notice the loss and the return a little apart.
    const std::vector<SoundGap> system{{105.2, std::nullopt, kStopped}};
    const std::vector<SoundGap> microphone{{105.25, std::nullopt, kStopped}};
    EXPECT_EQ(soundGapNotices(system, microphone, kMovieStart, std::nullopt),
              std::vector<std::string>{"System audio and the microphone are missing since 0:05: the sound server "
                                       "stopped. Recording goes on."});

    const std::vector<SoundGap> systemBack{{105.2, 117.6, kStopped}};
    const std::vector<SoundGap> microphoneBack{{105.25, 117.7, kStopped}};
    EXPECT_EQ(soundGapNotices(systemBack, microphoneBack, kMovieStart, std::nullopt),
              std::vector<std::string>{"System audio and the microphone were missing for 12.5 s from 0:05: the "
                                       "sound server stopped."});

    // Never back: at the stop, the gap lasts to the end.
    EXPECT_EQ(soundGapNotices(system, microphone, kMovieStart, 172.0),
              std::vector<std::string>{"System audio and the microphone are missing from 0:05 to the end (66.8 s): "
                                       "the sound server stopped."});
}

TEST(SoundGapNotices, eachTrackSpeaksForItselfWhenItsLossesAreItsOwn)
{
    // The microphone was unplugged twice; the system audio lost the server once, a minute later.
    const std::string unplugged = CaptureMessages::soundSourceLost("Entity killed");
    const std::vector<SoundGap> microphone{{110, 112.5, unplugged}, {130, 131, unplugged}};
    const std::vector<SoundGap> system{{190, std::nullopt, kStopped}};
    const auto notices = soundGapNotices(system, microphone, kMovieStart, std::nullopt);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], "System audio is missing since 1:30: the sound server stopped. Recording goes on.");
    EXPECT_EQ(notices[1], "The microphone was missing 2 times, 3.5 s in all, first at 0:10: the sound source went "
                          "away (Entity killed).");
}

TEST(SoundGapNotices, soundLostBeforeTheFirstFrameCountsFromTheMoviesStart)
{
    // The microphone starts before the screen: what it missed before the movie began is not said.
    const std::vector<SoundGap> microphone{{99, 101.5, kStopped}};
    EXPECT_EQ(soundGapNotices({}, microphone, kMovieStart, std::nullopt),
              std::vector<std::string>{"The microphone was missing for 1.5 s from 0:00: the sound server stopped."});
    EXPECT_TRUE(soundGapNotices({}, {}, kMovieStart, 200.0).empty());
}
