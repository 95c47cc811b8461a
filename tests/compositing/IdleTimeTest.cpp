// Finding idle time on a made recording whose busy and idle stretches are known.

#include <gtest/gtest.h>

#include "compositing/IdleTime.h"
#include "document/SpeedRegions.h"
#include "media/MediaTestSupport.h"

namespace tarnix {
namespace {

// A 16 s screen: a box moves during 0-2 s and again during 9-10 s; still otherwise.
class IdleTimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new media::test::TempFolder;
        media::test::runFfmpeg(
            "-f lavfi -i \"color=navy:s=320x180:r=30:d=16[bg];color=yellow:s=40x40:r=30:d=16[box];"
            "[bg][box]overlay=x='if(lt(t,2),t*40,if(between(t,9,10),200-(t-9)*60,80))':y=60\" "
            "-c:v libx264 -preset ultrafast -pix_fmt yuv420p \"" +
            (*folder / "screen.mp4").string() + "\"");
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }
    static RecordingTimeline recording()
    {
        RecordingTimeline timeline;
        timeline.videoURL = *folder / "screen.mp4";
        return timeline;
    }
    static inline media::test::TempFolder* folder = nullptr;
};

TEST_F(IdleTimeTest, TheScreenAloneSplitsTheRecordingIntoBusyAndIdleStretches)
{
    std::vector<TimeSpan> idle = IdleTime::idleSpans(recording(), 16);
    ASSERT_EQ(idle.size(), 2u);
    EXPECT_NEAR(idle[0].start, 2, 0.3);
    EXPECT_NEAR(idle[0].end, 9, 0.3);
    EXPECT_NEAR(idle[1].start, 10, 0.3);
    EXPECT_DOUBLE_EQ(idle[1].end, 16);
}

TEST_F(IdleTimeTest, ThePersonsActivityBreaksAStillScreensIdleTime)
{
    RecordingTimeline timeline = recording();
    // The pointer rests (samples at one place are no movement), then moves at 5 s; a key at 12 s.
    timeline.cursorSamples = {{Uuid::random(), 3, {10, 10}}, {Uuid::random(), 4, {10, 10}},
                              {Uuid::random(), 5, {50, 10}}};
    timeline.keyEvents = {KeyEvent{Uuid::random(), 12, "S", {KeyModifier::ctrl}}};
    std::vector<TimeSpan> idle = IdleTime::idleSpans(timeline, 16);
    // 2-5 (3 s), 5-9 (4 s), 10-12 is too short, 12-16 (4 s).
    ASSERT_EQ(idle.size(), 3u);
    EXPECT_NEAR(idle[0].end, 5, 1e-9);
    EXPECT_NEAR(idle[1].start, 5, 1e-9);
    EXPECT_NEAR(idle[2].start, 12, 1e-9);

    // Made 8x regions, they play the recording in far less time, and come off in one list change.
    std::vector<SpeedRegion> speeds = IdleTime::withIdleSpedUp({}, idle, 16);
    ASSERT_EQ(speeds.size(), 3u);
    for (const SpeedRegion& r : speeds)
        EXPECT_EQ(r.speed, kIdleSpeed);
    EXPECT_LT(KeptTime({}, speeds, 16).duration(), 7); // 5 s busy, 11 s idle at 8x
}

TEST(QuietSpans, GapsShorterThanTheMinimumStayAndMarginsKeepActivityAtItsSpeed)
{
    std::vector<TimeSpan> spans = IdleTime::quietSpans({8, 1, 4.5, 99}, 12, 3, 0.5);
    // 0-1 too short; 1-4.5 less margins is 2.5; 4.5-8 less margins is 2.5; 8-12 less one is 3.5.
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0], (TimeSpan{8.5, 12}));
    EXPECT_TRUE(IdleTime::quietSpans({}, 2).empty());
    EXPECT_EQ(IdleTime::quietSpans({}, 5), (std::vector<TimeSpan>{{0, 5}}));
}

} // namespace
} // namespace tarnix
