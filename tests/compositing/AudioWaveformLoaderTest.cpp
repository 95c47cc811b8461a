#include <gtest/gtest.h>

#include "compositing/AudioWaveformLoader.h"
#include "media/MediaTestSupport.h"

namespace tarnix {
namespace {

using AudioWaveformLoader::peaks;

TEST(AudioWaveformPeaks, SlicesAndScaling)
{
    EXPECT_TRUE(peaks({1, 2, 3}, 0).empty());
    EXPECT_TRUE(peaks({1, 2, 3}, -4).empty());
    EXPECT_TRUE(peaks({}, 400).empty());

    std::vector<std::int16_t> thousand(1000, 0);
    thousand[799] = 16384;
    thousand[800] = 32767; // past the last whole slice: not looked at
    auto values = peaks(thousand, 400);
    ASSERT_EQ(values.size(), 400u);
    EXPECT_NEAR(values[399], 16384 / 32767.0, 1e-6);
    EXPECT_EQ(values[0], 0.0f);

    std::vector<std::int16_t> threeHundred(300, 100);
    threeHundred[5] = -32768;
    auto short_ = peaks(threeHundred, 400);
    ASSERT_EQ(short_.size(), 300u);
    EXPECT_EQ(short_[5], 1.0f);
    EXPECT_NEAR(short_[6], 100 / 32767.0, 1e-6);
}

TEST(AudioWaveformLoader, LoadsTheFirstAudioTrackOfARealFile)
{
    media::test::TempFolder folder;
    auto tone = media::test::makeTone(folder / "tone.m4a", 1.0, 440);
    auto values = AudioWaveformLoader::loadPeaksAsync(tone, 400).result();
    ASSERT_EQ(values.size(), 400u);
    // lavfi's sine has an amplitude of 1/8: every slice of 2.5 ms holds a peak near it.
    int loud = 0;
    for (float v : values)
        loud += v > 0.1f && v < 0.15f;
    EXPECT_GT(loud, 380);

    auto silent = media::test::makeMovie(folder / "video-only.mp4", 0.5, 64, 48, false);
    EXPECT_TRUE(AudioWaveformLoader::loadPeaks(silent, 400).empty());
    EXPECT_TRUE(AudioWaveformLoader::loadPeaks(folder / "missing.m4a", 400).empty());
    EXPECT_TRUE(AudioWaveformLoader::loadPeaks(tone, 0).empty());
}

} // namespace
} // namespace tarnix
