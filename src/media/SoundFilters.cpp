#include "media/SoundFilters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "media/AudioFilterChain.h"
#include "media/AudioMixer.h"
#include "media/AudioSampleReader.h"

namespace tarnix::media {

namespace {

// The measure's answer for a sound with no block above its absolute gate.
constexpr double kSilentLoudness = -70; // LUFS
// ebur128 prints its peaks with three decimals: a peak may be this much above what it says.
constexpr double kPeakResolution = 0.0005;

// The noise floor's stretches and quantile; stretches under the silence level are digital
// silence (a muted device, padding), not noise.
constexpr double kNoiseBlockSeconds = 0.02;
constexpr double kNoiseQuantile = 0.1;
constexpr double kDigitalSilence = -100; // dBFS
constexpr int kNoiseRate = 48000;

double decibels(double linear) { return 20 * std::log10(std::max(linear, 1e-12)); }

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::optional<double> metadataNumber(const std::map<std::string, std::string>& metadata,
                                     const std::string& key)
{
    auto found = metadata.find(key);
    if (found == metadata.end())
        return std::nullopt;
    try {
        return std::stod(found->second);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<double> estimateNoiseFloor(const AssetTrack& track)
{
    AudioSampleReader reader(track, AudioFormat{SampleFormat::f32, kNoiseRate, 1});
    const std::size_t blockLength = std::size_t(kNoiseRate * kNoiseBlockSeconds);
    std::vector<double> levels;
    std::vector<float> samples;
    double sum = 0;
    std::size_t count = 0;
    while (reader.readBlock(samples)) {
        for (float sample : samples) {
            sum += double(sample) * sample;
            if (++count == blockLength) {
                double level = 10 * std::log10(std::max(sum / double(count), 1e-24));
                if (level > kDigitalSilence)
                    levels.push_back(level);
                sum = 0;
                count = 0;
            }
        }
        samples.clear();
    }
    if (levels.empty())
        return std::nullopt;
    auto nth = levels.begin() + std::ptrdiff_t(double(levels.size() - 1) * kNoiseQuantile);
    std::nth_element(levels.begin(), nth, levels.end());
    return *nth;
}

} // namespace

std::optional<LoudnessMeasurement> measureLoudness(const Composition& composition, int sampleRate,
                                                   int channels, double duration,
                                                   const std::function<bool()>& stop,
                                                   const std::string& through)
{
    AudioMixer mixer(composition, sampleRate, channels);
    if (!mixer.hasAudio() || duration <= 0)
        return std::nullopt;
    std::string meterChain = "ebur128=metadata=1:peak=true";
    if (!through.empty())
        meterChain = through + "," + meterChain;
    AudioFilterChain meter(meterChain, sampleRate, channels,
                           [&](float* out, std::int64_t frames) {
                               std::vector<float> mixed = mixer.read(frames);
                               std::copy(mixed.begin(), mixed.end(), out);
                           });
    auto metadata = meter.drain(std::llround(duration * sampleRate), stop);
    if (!metadata)
        return std::nullopt;
    auto integrated = metadataNumber(*metadata, "lavfi.r128.I");
    auto peak = metadataNumber(*metadata, "lavfi.r128.true_peak");
    if (!integrated || !peak || *integrated <= kSilentLoudness + 0.05)
        return std::nullopt;
    return LoudnessMeasurement{*integrated, decibels(*peak + kPeakResolution)};
}

double loudnessGain(const LoudnessMeasurement& measured, double targetLufs)
{
    return std::min(targetLufs - measured.integrated, kMaxLoudnessGain);
}

std::string loudnessChain(const LoudnessMeasurement& measured, double targetLufs, int sampleRate)
{
    double gain = loudnessGain(measured, targetLufs);
    std::string chain = "volume=" + number(gain) + "dB:precision=float";
    if (measured.truePeak + gain <= kTruePeakCeiling)
        return chain;
    double ceiling = std::pow(10.0, kTruePeakCeiling / 20);
    return chain + ",aresample=" + std::to_string(4 * sampleRate) +
           ",alimiter=limit=" + number(ceiling) + ":attack=5:release=50:level=0" +
           ",aresample=" + std::to_string(sampleRate);
}

std::optional<std::string> evenLoudnessChain(const Composition& composition, int sampleRate,
                                             int channels, double duration, double targetLufs,
                                             const std::function<bool()>& stop)
{
    auto measured = measureLoudness(composition, sampleRate, channels, duration, stop);
    if (!measured)
        return std::nullopt;
    std::string chain = loudnessChain(*measured, targetLufs, sampleRate);
    if (chain.find("alimiter") == std::string::npos)
        return chain;
    auto limited = measureLoudness(composition, sampleRate, channels, duration, stop, chain);
    if (!limited)
        return std::nullopt;
    // The sound as if it had been that much quieter: the gain grows by what the limiter took.
    LoudnessMeasurement corrected = *measured;
    corrected.integrated -= std::max(0.0, targetLufs - limited->integrated);
    return loudnessChain(corrected, targetLufs, sampleRate);
}

std::optional<double> noiseFloor(const AssetTrack& track)
{
    static std::mutex mutex;
    static std::map<std::string, std::optional<double>> known;
    std::error_code error;
    auto modified = std::filesystem::last_write_time(track.url, error);
    auto size = std::filesystem::file_size(track.url, error);
    std::string key = track.url.string() + "\n" + std::to_string(track.streamIndex) + "\n" +
                      std::to_string(modified.time_since_epoch().count()) + "\n" +
                      std::to_string(size);
    {
        std::lock_guard lock(mutex);
        if (auto found = known.find(key); found != known.end())
            return found->second;
    }
    std::optional<double> floor = estimateNoiseFloor(track);
    std::lock_guard lock(mutex);
    known[key] = floor;
    return floor;
}

std::string noiseReductionChain(double strength, double noiseFloorDb)
{
    // afftdn treats as noise what lies under its floor setting, which sits well above the floor
    // measured over the whole band; a stronger setting lifts it and reduces more.
    strength = std::clamp(strength, 0.0, 1.0);
    double floor = std::clamp(noiseFloorDb + 10 + 15 * strength, -80.0, -20.0);
    double reduction = 6 + 34 * strength;
    return "afftdn=nr=" + number(reduction) + ":nf=" + number(floor);
}

std::string tempoChain(double speed)
{
    // atempo sounds best within 0.5 ... 2: larger changes are made in steps of 2.
    std::string chain;
    auto add = [&chain](double factor) { chain += (chain.empty() ? "atempo=" : ",atempo=") + number(factor); };
    for (; speed > 2; speed /= 2)
        add(2);
    for (; speed < 0.5; speed *= 2)
        add(0.5);
    if (speed != 1 || chain.empty())
        add(speed);
    return chain;
}

} // namespace tarnix::media
