#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>

#include "LoudnessProbe.h"
#include "MediaTestSupport.h"
#include "media/AudioFilterChain.h"
#include "media/AudioMixer.h"
#include "media/ExportSession.h"
#include "media/SoundFilters.h"

namespace tarnix::media {
namespace {

constexpr int kRate = 48000;

using test::measureLoudnessWithTool;
using ToolMeasure = test::ToolLoudness;

// A short movie whose sound has exactly the given loudness: `expression` (an aevalsrc formula) is
// made, measured with the tool and scaled to `lufs`.
std::filesystem::path makeMovieAtLoudness(const test::TempFolder& folder, const std::string& name,
                                          const std::string& expression, double lufs)
{
    auto raw = folder / (name + "-raw.wav");
    test::runFfmpeg("-f lavfi -i \"aevalsrc='" + expression + "':s=48000:d=8\" -c:a pcm_f32le \"" +
                    raw.string() + "\"");
    double gain = lufs - measureLoudnessWithTool(raw).integrated;
    auto movie = folder / (name + ".mp4");
    test::runFfmpeg("-f lavfi -i testsrc2=s=64x48:r=30:d=8 -i \"" + raw.string() +
                    "\" -af volume=" + std::to_string(gain) +
                    "dB:precision=float -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "
                    "-b:a 256k -shortest \"" + movie.string() + "\"");
    return movie;
}

class Passthrough : public VideoCompositing {
public:
    void renderContextChanged(std::shared_ptr<RenderContext>) override {}
    void startRequest(CompositionRequest& request) override
    {
        request.finishWithComposedVideoFrame(request.sourceFrameByTrackID(1));
    }
    void cancelAllPendingVideoCompositionRequests() override {}
};

class EvenLoudness : public ::testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_ERROR); }

    // Exports the movie with its own sound, brought to `target` when given; returns the file.
    std::filesystem::path exportMovie(const std::filesystem::path& source,
                                      std::optional<double> target, const std::string& name)
    {
        MediaAsset screen = MediaAsset::load(source);
        auto composition = std::make_shared<Composition>();
        composition->addMutableTrack(MediaType::video, 1);
        EXPECT_FALSE(composition->insertTimeRange(1, {0, screen.duration()},
                                                  screen.tracks(MediaType::video)[0], 0));
        composition->addMutableTrack(MediaType::audio, 3);
        EXPECT_FALSE(composition->insertTimeRange(3, {0, screen.duration()},
                                                  screen.tracks(MediaType::audio)[0], 0));
        VideoComposition video;
        video.renderSize = screen.tracks(MediaType::video)[0].naturalSize;
        video.instructions = {
            std::make_shared<test::ScreenInstruction>(TimeRange{0, screen.duration()})};
        video.customVideoCompositor = [] { return std::make_unique<Passthrough>(); };
        ExportSession session(composition, ExportPreset::highestQuality);
        session.setVideoComposition(video);
        session.setOutputURL(folder / name);
        session.setLoudnessTarget(target);
        session.exportSynchronously();
        EXPECT_EQ(session.status(), ExportStatus::completed)
            << (session.error() ? describe(*session.error()) : "");
        return folder / name;
    }

    test::TempFolder folder;
};

// Talk-like sound: a wavering tone with a sharp 2 kHz click every 1.5 s that stands 18 dB above
// it, so that a quiet recording brought up to the target needs its limiter.
const std::string kTalkWithClicks = "0.1*sin(2*PI*330*t)*(0.6+0.4*sin(2*PI*1.3*t))"
                                    "+if(lt(mod(t,1.5),0.004),0.8*sin(2*PI*2000*t),0)";
// Loud, dense sound: two tones beating, little headroom.
const std::string kDense = "0.3*sin(2*PI*220*t)+0.2*sin(2*PI*227*t)+0.1*sin(2*PI*1500*t)";

TEST_F(EvenLoudness, BringsAQuietAndALoudRecordingWithinOneLUOfTheTarget)
{
    auto quiet = makeMovieAtLoudness(folder, "quiet", kTalkWithClicks, -35);
    auto loud = makeMovieAtLoudness(folder, "loud", kDense, -8);
    ASSERT_NEAR(measureLoudnessWithTool(quiet).integrated, -35, 0.5);
    ASSERT_NEAR(measureLoudnessWithTool(loud).integrated, -8, 0.5);

    for (auto [source, name] : {std::pair{quiet, "quiet-out.mp4"}, {loud, "loud-out.mp4"}}) {
        ToolMeasure out = measureLoudnessWithTool(exportMovie(source, kDefaultLoudnessTarget, name));
        EXPECT_NEAR(out.integrated, -16, 1) << name;
        // The limiter holds the clicks at the ceiling; AAC's own ripple may add a little.
        EXPECT_LT(out.truePeak, kTruePeakCeiling + 0.7) << name;
    }
    // Another target is met as well.
    EXPECT_NEAR(measureLoudnessWithTool(exportMovie(quiet, -23, "quiet-23.mp4")).integrated, -23, 1);
}

TEST_F(EvenLoudness, IsOffUnlessAskedForAndLeavesSilenceSilent)
{
    auto quiet = makeMovieAtLoudness(folder, "quiet", kTalkWithClicks, -35);
    EXPECT_NEAR(measureLoudnessWithTool(exportMovie(quiet, std::nullopt, "as-is.mp4")).integrated, -35, 1);

    auto silent = folder / "silent.mp4";
    test::runFfmpeg("-f lavfi -i testsrc2=s=64x48:r=30:d=2 -f lavfi -i anullsrc=r=48000:cl=stereo "
                    "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -t 2 \"" +
                    silent.string() + "\"");
    ToolMeasure out = measureLoudnessWithTool(exportMovie(silent, -16, "silent-out.mp4"));
    EXPECT_LT(out.truePeak, -90);
}

TEST(LoudnessChain, AddsTheLimiterOnlyWhenTheGainWouldPushPeaksPastTheCeiling)
{
    EXPECT_EQ(loudnessChain({-26, -12}, -16, kRate).find("alimiter"), std::string::npos);
    EXPECT_NE(loudnessChain({-26, -8}, -16, kRate).find("alimiter"), std::string::npos);
    // A near-silent mix is raised by at most the cap, not to speaking level.
    EXPECT_DOUBLE_EQ(loudnessGain({-60, -40}, -16), kMaxLoudnessGain);
    EXPECT_DOUBLE_EQ(loudnessGain({-8, -1}, -16), -8);
}

// ---- the filter chain's alignment

// Input frames of an impulse at `at` (all channels), silence elsewhere.
AudioFilterChain::Source impulseAt(std::int64_t at, int channels)
{
    auto position = std::make_shared<std::int64_t>(0);
    return [=](float* out, std::int64_t frames) {
        for (std::int64_t i = 0; i < frames; ++i, ++*position)
            for (int c = 0; c < channels; ++c)
                out[i * channels + c] = *position == at ? 0.5f : 0.0f;
    };
}

std::int64_t loudestFrame(const std::vector<float>& samples, int channels)
{
    std::int64_t best = -1;
    float peak = 0;
    for (std::size_t i = 0; i < samples.size(); i += std::size_t(channels))
        if (std::abs(samples[i]) > peak) {
            peak = std::abs(samples[i]);
            best = std::int64_t(i) / channels;
        }
    return best;
}

TEST(AudioFilterChain, LinesItsOutputUpWithItsInputWhateverTheFiltersDelay)
{
    const std::int64_t at = 30000;
    for (const std::string& description :
         {std::string("anull"), noiseReductionChain(0.5, -60),
          loudnessChain({-30, -3}, -16, kRate)}) {
        AudioFilterChain chain(description, kRate, 2, impulseAt(at, 2));
        std::vector<float> out;
        // Odd block sizes, so the chain's own blocks never line up with the reads.
        for (std::int64_t block : {777, 12345, 20000, 13000})
            for (float sample : chain.read(block))
                out.push_back(sample);
        ASSERT_EQ(out.size(), std::size_t(2 * (777 + 12345 + 20000 + 13000)));
        EXPECT_EQ(loudestFrame(out, 2), at) << description << ", delay " << chain.delay();
    }
}

TEST(AudioFilterChain, RefusesAChainItCannotSetUp)
{
    EXPECT_THROW(AudioFilterChain("nosuchfilter=1", kRate, 2, {}), MediaException);
}

// ---- noise reduction

class NoiseReduction : public ::testing::Test {
protected:
    void SetUp() override
    {
        av_log_set_level(AV_LOG_ERROR);
        // Pink noise at about -50 dBFS throughout; a tone far above it from 3 s on.
        test::runFfmpeg("-f lavfi -i anoisesrc=d=6:c=pink:a=0.01:r=48000:seed=7 -f lavfi -i "
                        "sine=f=440:d=6:sample_rate=48000 -filter_complex "
                        "\"[1]volume=2.4,volume=enable='lt(t,3)':volume=0[s];"
                        "[0][s]amix=inputs=2:normalize=0\" -c:a aac -b:a 192k \"" +
                        microphone.string() + "\"");
        asset = MediaAsset::load(microphone);
    }

    Composition composition(std::optional<double> strength)
    {
        Composition c;
        c.addMutableTrack(MediaType::audio, 3);
        EXPECT_FALSE(c.insertTimeRange(3, {0, 6}, asset.tracks(MediaType::audio)[0], 0));
        EXPECT_TRUE(c.setNoiseReduction(3, strength));
        return c;
    }

    static double levelOf(const std::vector<float>& samples, double from, double to)
    {
        double sum = 0;
        std::size_t first = std::size_t(from * kRate) * 2, last = std::size_t(to * kRate) * 2;
        for (std::size_t i = first; i < last; ++i)
            sum += double(samples[i]) * samples[i];
        return 10 * std::log10(sum / double(last - first) + 1e-24);
    }

    static std::vector<float> mixAll(const Composition& c)
    {
        AudioMixer mixer(c, kRate, 2);
        return mixer.read(6 * kRate);
    }

    test::TempFolder folder;
    std::filesystem::path microphone = folder / "mic.m4a";
    MediaAsset asset;
};

TEST_F(NoiseReduction, LowersTheNoiseAndKeepsTheVoice)
{
    std::optional<double> floor = noiseFloor(asset.tracks(MediaType::audio)[0]);
    ASSERT_TRUE(floor);
    EXPECT_NEAR(*floor, -52, 5);

    std::vector<float> plain = mixAll(composition(std::nullopt));
    std::vector<float> gentle = mixAll(composition(0.2));
    std::vector<float> strong = mixAll(composition(1));
    double noise = levelOf(plain, 1, 2.8), tone = levelOf(plain, 4, 5.8);
    EXPECT_LT(levelOf(gentle, 1, 2.8), noise - 6);
    EXPECT_LT(levelOf(strong, 1, 2.8), levelOf(gentle, 1, 2.8) - 3);
    EXPECT_NEAR(levelOf(gentle, 4, 5.8), tone, 1);
    EXPECT_NEAR(levelOf(strong, 4, 5.8), tone, 1);
}

TEST_F(NoiseReduction, PlaysOnInStepAfterASeek)
{
    Composition c = composition(0.5);
    std::vector<float> straight = mixAll(c);
    AudioMixer mixer(c, kRate, 2);
    mixer.read(kRate / 2);
    mixer.seek(3.5);
    std::vector<float> after = mixer.read(kRate);
    // The tone comes back at its place: same level, and in phase with the straight read.
    std::vector<float> same(straight.begin() + 2 * std::ptrdiff_t(3.5 * kRate),
                            straight.begin() + 2 * std::ptrdiff_t(4.5 * kRate));
    double difference = 0, energy = 0;
    for (std::size_t i = std::size_t(kRate / 10) * 2; i < after.size(); ++i) {
        difference += double(after[i] - same[i]) * (after[i] - same[i]);
        energy += double(same[i]) * same[i];
    }
    EXPECT_LT(difference / energy, 0.01);
}

} // namespace
} // namespace tarnix::media
