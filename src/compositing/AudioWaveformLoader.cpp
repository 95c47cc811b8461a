#include "compositing/AudioWaveformLoader.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstdlib>

#include "media/AudioSampleReader.h"

namespace tarnix::AudioWaveformLoader {

std::vector<float> peaks(const std::vector<std::int16_t>& samples, int bucketCount)
{
    std::vector<float> result;
    if (bucketCount < 1 || samples.empty())
        return result;
    const std::size_t count = samples.size();
    const std::size_t buckets = std::size_t(bucketCount);
    const std::size_t slice = buckets <= count ? count / buckets : 1;
    result.reserve(std::min(buckets, count));
    for (std::size_t start = 0; result.size() < buckets && start < count;) {
        std::size_t end = std::min(start + slice, count);
        int loudest = 0;
        for (std::size_t i = start; i < end; ++i)
            loudest = std::max(loudest, std::min(std::abs(int(samples[i])), 32767));
        result.push_back(float(loudest) / 32767.0f);
        start = end;
    }
    return result;
}

std::vector<float> loadPeaks(const std::filesystem::path& url, int bucketCount)
{
    if (bucketCount < 1)
        return {};
    try {
        auto tracks = media::MediaAsset::load(url).tracks(media::MediaType::audio);
        if (tracks.empty())
            return {};
        media::AudioSampleReader reader(tracks.front(), {media::SampleFormat::s16, 0, 0});
        std::vector<std::int16_t> samples;
        while (reader.readBlock(samples)) {
        }
        return peaks(samples, bucketCount);
    } catch (const std::exception&) {
        return {};
    }
}

QFuture<std::vector<float>> loadPeaksAsync(std::filesystem::path url, int bucketCount)
{
    return QtConcurrent::run([url = std::move(url), bucketCount] {
        return loadPeaks(url, bucketCount);
    });
}

} // namespace tarnix::AudioWaveformLoader
