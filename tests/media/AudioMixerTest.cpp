#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "MediaTestSupport.h"
#include "media/AudioMixer.h"

namespace tarnix::media {
namespace {

float peakOf(const std::vector<float>& samples, std::size_t from, std::size_t to)
{
    float peak = 0;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

TEST(AudioMixer, SumsTracksAndIsSilentWhereATrackHasEnded)
{
    test::TempFolder folder;
    MediaAsset longTone = MediaAsset::load(test::makeTone(folder / "a.m4a", 2.0, 440));
    MediaAsset shortTone = MediaAsset::load(test::makeTone(folder / "b.m4a", 1.0, 660));
    Composition composition;
    composition.addMutableTrack(MediaType::audio, 3);
    composition.addMutableTrack(MediaType::audio, 4);
    ASSERT_FALSE(composition.insertTimeRange(3, {0, 2.0}, longTone.tracks(MediaType::audio)[0], 0));
    ASSERT_FALSE(composition.insertTimeRange(4, {0, shortTone.duration()},
                                             shortTone.tracks(MediaType::audio)[0], 0));

    AudioMixer mixer(composition, 48000, 2);
    ASSERT_TRUE(mixer.hasAudio());
    std::vector<float> mixed;
    while (mixer.position() < 2 * 48000) {
        auto block = mixer.read(4800);
        mixed.insert(mixed.end(), block.begin(), block.end());
    }
    ASSERT_EQ(mixed.size(), std::size_t(2 * 48000 * 2));
    // lavfi's sine has an amplitude of 1/8, spread over two channels at -3 dB each (0.088):
    // both tones together reach about twice as far as one alone.
    float both = peakOf(mixed, 2 * 9600, 2 * 38400);
    float one = peakOf(mixed, 2 * 62400, 2 * 91200);
    EXPECT_GT(both, 0.15f);
    EXPECT_LT(both, 0.2f);
    EXPECT_GT(one, 0.08f);
    EXPECT_LT(one, 0.1f);
    // Left and right carry the same mono tone.
    EXPECT_FLOAT_EQ(mixed[2 * 1000], mixed[2 * 1000 + 1]);
}

TEST(AudioMixer, ACompositionWithoutAudioHasNone)
{
    Composition composition;
    composition.addMutableTrack(MediaType::video, 1);
    AudioMixer mixer(composition, 48000, 2);
    EXPECT_FALSE(mixer.hasAudio());
    EXPECT_EQ(mixer.read(10), std::vector<float>(20, 0.0f));
}

TEST(AudioMixer, SeekingContinuesExactlyAsReadingThroughWould)
{
    test::TempFolder folder;
    // A chirp: every instant sounds different, so a seek landing anywhere else shows.
    test::runFfmpeg("-f lavfi -i \"aevalsrc=0.5*sin(2*PI*(200+300*t)*t):s=48000:d=2\" -c:a aac \"" +
                    (folder / "chirp.m4a").string() + "\"");
    MediaAsset chirp = MediaAsset::load(folder / "chirp.m4a");
    AssetTrack track = chirp.tracks(MediaType::audio)[0];
    // Two kept spans with a gap between them: composition time is not source time.
    Composition composition;
    composition.addMutableTrack(MediaType::audio, 3);
    ASSERT_FALSE(composition.insertTimeRange(3, {0.5, 1.0}, track, 0));
    ASSERT_FALSE(composition.insertTimeRange(3, {0.2, 0.5}, track, 1.2));

    AudioMixer straight(composition, 48000, 2);
    std::vector<float> reference = straight.read(std::int64_t(1.7 * 48000));
    for (double t : {0.3, 1.1, 1.25, 0.0, 0.99}) {
        AudioMixer mixer(composition, 48000, 2);
        mixer.seek(t);
        std::int64_t first = std::llround(t * 48000);
        EXPECT_EQ(mixer.position(), first);
        std::vector<float> block = mixer.read(9600);
        float worst = 0;
        for (std::size_t i = 0; i < block.size() && first * 2 + i < reference.size(); ++i)
            worst = std::max(worst, std::abs(block[i] - reference[std::size_t(first * 2) + i]));
        EXPECT_LT(worst, 0.002f) << "after a seek to " << t;
    }
}

} // namespace
} // namespace tarnix::media
