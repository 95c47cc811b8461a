#pragma once

#include <QFuture>

#include <cstdint>
#include <filesystem>
#include <vector>

// Peak values of a media file's first audio track for drawing a small waveform: one value per
// equal slice of the samples, each the loudest sample of its slice scaled to 0...1. Stateless.
// Never fails: anything unreadable gives an empty list.
//
// Threads: loadPeaks runs anywhere (it decodes the whole track: call it off the GUI thread);
// loadPeaksAsync runs it on Qt's global thread pool.

namespace tarnix::AudioWaveformLoader {

// The peaks of interleaved 16-bit samples (all channels alike): slices of |S| / bucketCount
// samples (1 when there are fewer samples than buckets), at most bucketCount values; samples
// past the last whole slice are not looked at. -32768 counts as 32767.
std::vector<float> peaks(const std::vector<std::int16_t>& samples, int bucketCount);

// The first audio track decoded to interleaved 16-bit samples at the file's own rate and
// channel count, reduced by peaks(). Empty when bucketCount < 1 or the file has no readable
// audio.
std::vector<float> loadPeaks(const std::filesystem::path& url, int bucketCount);
QFuture<std::vector<float>> loadPeaksAsync(std::filesystem::path url, int bucketCount);

} // namespace tarnix::AudioWaveformLoader
